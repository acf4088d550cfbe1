// The layers of the source tree and which may include which. The build already refuses
// most wrong arrows (each layer's include root is on the path only of the layers above it);
// this also catches an include written relative to the including file, and says where.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tunewick {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = TUNEWICK_SOURCE_DIR;

// Each layer by its folder, with the layers it may include (itself included). Headers of
// the system and of libraries are checked apart: see kQtFree and kTagLibFree.
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
// The include root of each layer, where its quoted includes are looked for.
const std::map<std::string, fs::path> kRootOf = {
    {"core", "core"},
    {"tags", "tags"},
    {"gui", "gui"},
    {"cli", "cli"},
    {"bench", "bench"},
    {"tests", "tests"},
    {"testing/support", "testing"},
    {"testing/gui_support", "testing"},
};
const std::set<std::string> kQtFree = {"core", "tags", "cli", "testing/support"};
const std::set<std::string> kTagLibFree = {"core", "cli", "testing/support"};

// The layer a file or folder below the source root belongs to; empty for none.
std::string LayerOf(const fs::path& relative) {
  std::string best;
  for (const auto& [layer, allowed] : kMayInclude) {
    const std::string text = relative.generic_string();
    if ((text == layer || text.rfind(layer + "/", 0) == 0) && layer.size() > best.size())
      best = layer;
  }
  return best;
}

struct Include {
  std::string text;
  bool angled;
};

std::vector<Include> IncludesOf(const fs::path& file) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::vector<Include> includes;
  std::ifstream in(file);
  std::smatch match;
  for (std::string line; std::getline(in, line);)
    if (std::regex_search(line, match, kInclude)) includes.push_back({match[2], match[1] == "<"});
  return includes;
}

// The layer whose file a quoted include names, looked for beside the including file and
// then in every layer's include root, as a careless include path would find it.
std::string TargetLayer(const fs::path& file, const std::string& include) {
  if (fs::exists(file.parent_path() / include))
    return LayerOf(fs::relative(fs::weakly_canonical(file.parent_path() / include), kSource));
  std::set<std::string> found;
  for (const auto& [layer, root] : kRootOf)
    if (fs::exists(kSource / root / include))
      found.insert(LayerOf(fs::relative(kSource / root / include, kSource)));
  return found.size() == 1 ? *found.begin() : std::string();
}

// Every wrong arrow under `folder`, one line each.
std::vector<std::string> WrongIncludes(const fs::path& folder) {
  std::vector<std::string> wrong;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
    const fs::path relative = fs::relative(entry.path(), kSource);
    const std::string layer = LayerOf(relative);
    if (layer.empty()) continue;
    for (const Include& include : IncludesOf(entry.path())) {
      const std::string where = relative.generic_string() + " includes " + include.text;
      if (include.angled) {
        const bool qt = include.text.rfind("Q", 0) == 0 || include.text.rfind("qt", 0) == 0;
        if (qt && kQtFree.count(layer)) wrong.push_back(where + ": Qt below the windows");
        if (include.text.rfind("taglib/", 0) == 0 && kTagLibFree.count(layer))
          wrong.push_back(where + ": TagLib outside tags/");
        continue;
      }
      const std::string target = TargetLayer(entry.path(), include.text);
      if (target.empty()) {
        wrong.push_back(where + ": found in no layer, or in several");
      } else if (!kMayInclude.at(layer).count(target)) {
        wrong.push_back(where + ": " + layer + " may not include " + target);
      }
    }
  }
  return wrong;
}

TEST(Layering, NoLayerIncludesALayerAboveItOrQtOrTagLibBelowTheirPlace) {
  for (const char* folder : {"core", "tags", "gui", "cli", "testing", "bench", "tests"}) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(WrongIncludes(kSource / folder), std::vector<std::string>());
  }
}

}  // namespace
}  // namespace tunewick
