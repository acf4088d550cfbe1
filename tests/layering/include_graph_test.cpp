// The layers of the source tree and which may include which. The build already refuses
// most wrong arrows (each layer's include root is on the path only of the layers above it);
// this also catches an include written relative to the including file, and says where.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace tunewick {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = TUNEWICK_SOURCE_DIR;

// Each layer by its folder, with the layers it may include (itself included). A layer's
// include root is its top-level folder.
const std::map<std::string, std::set<std::string>> kMayInclude = {
    {"core", {"core"}},
    {"tags", {"core", "tags"}},
    {"gui", {"core", "tags", "gui"}},
    {"cli", {"core", "tags", "cli"}},
    {"testing/support", {"core", "tags", "testing/support"}},
    {"testing/gui_support", {"core", "tags", "gui", "testing/support", "testing/gui_support"}},
    {"bench", {"core", "tags", "gui", "testing/support", "bench"}},
    {"tests", {"core", "tags", "gui", "cli", "testing/support", "testing/gui_support", "tests"}},
};
const std::set<std::string> kQtFree = {"core", "tags", "cli", "testing/support"};
const std::set<std::string> kTagLibFree = {"core", "cli", "testing/support"};

// The layer of a path below the source root; empty for none.
std::string LayerOf(const fs::path& path) {
  const std::string text = fs::relative(fs::weakly_canonical(path), kSource).generic_string();
  std::string found;
  for (const auto& [layer, allowed] : kMayInclude)
    if (text.rfind(layer + "/", 0) == 0 && layer.size() > found.size()) found = layer;
  return found;
}

// Where a quoted include leads: beside the including file, else in every include root (as
// a careless include path would find it). Empty when nowhere or in several places.
std::string TargetLayer(const fs::path& file, const std::string& include) {
  if (fs::exists(file.parent_path() / include)) return LayerOf(file.parent_path() / include);
  std::set<std::string> found;
  for (const char* root : {"core", "tags", "gui", "cli", "testing", "bench", "tests"})
    if (fs::exists(kSource / root / include)) found.insert(LayerOf(kSource / root / include));
  return found.size() == 1 ? *found.begin() : std::string();
}

// Windows reach each other through the navigator: only a window's own source and the
// program, which creates the windows and the navigator over them, see a window's class.
bool IsWindowHeader(const std::string& include) {
  return include.rfind("windows/", 0) == 0 || include == "app/main_window.h" ||
         include == "app/about_window.h";
}
bool MaySeeWindows(const fs::path& file, const std::string& include) {
  const std::string name = file.stem().string();
  return fs::path(include).stem() == name || name == "tunewick_app" || name == "window_navigator";
}

// Every wrong arrow under `folder`, one line each.
std::vector<std::string> WrongIncludes(const fs::path& folder) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::vector<std::string> wrong;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    const std::string layer = LayerOf(entry.path());
    if (layer.empty() || (extension != ".h" && extension != ".cpp")) continue;
    std::ifstream in(entry.path());
    std::smatch match;
    for (std::string line; std::getline(in, line);) {
      if (!std::regex_search(line, match, kInclude)) continue;
      const std::string include = match[2];
      const std::string where =
          fs::relative(entry.path(), kSource).generic_string() + " includes " + include;
      if (match[1] == "<") {
        if ((include.rfind("Q", 0) == 0 || include.rfind("qt", 0) == 0) && kQtFree.count(layer))
          wrong.push_back(where + ": Qt below the windows");
        if (include.rfind("taglib/", 0) == 0 && kTagLibFree.count(layer))
          wrong.push_back(where + ": TagLib outside tags/");
      } else if (const std::string target = TargetLayer(entry.path(), include); target.empty()) {
        wrong.push_back(where + ": found in no layer, or in several");
      } else if (!kMayInclude.at(layer).count(target)) {
        wrong.push_back(where + ": " + layer + " may not include " + target);
      } else if (layer == "gui" && IsWindowHeader(include) &&
                 !MaySeeWindows(entry.path(), include)) {
        wrong.push_back(where + ": a window reaches another only through the navigator");
      }
    }
  }
  return wrong;
}

TEST(Layering, NoLayerIncludesALayerAboveItOrQtOrTagLibBelowTheirPlaceOrAWindowAnother) {
  for (const char* folder : {"core", "tags", "gui", "cli", "testing", "bench", "tests"}) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(WrongIncludes(kSource / folder), std::vector<std::string>());
  }
}

}  // namespace
}  // namespace tunewick
