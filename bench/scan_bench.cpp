// scan_bench: the library scan, as `tunewick-cli list` runs it, against the fastest file
// finders on the same tree.
//
//   scan_bench [--root DIR] [--songs N] [--folders N] [--seed N] [--repeat N] [--cold 1]
//
// Without --root the library is generated into a temporary folder and removed at the
// end. With --root an empty or missing DIR is filled and kept; a DIR that already
// holds files is scanned as it stands, so one generated tree serves many runs.
//
// Warm (the tree in the page cache), goals: `tunewick-cli list` at most 0.8 times
// `fdfind -u -t f -e mp3 -e wav -e wma` and at most 0.4 times
// `find -type f ( -iname '*.mp3' -o -iname '*.wav' -o -iname '*.wma' )`.
// Cold (--cold 1, as root: the page cache is dropped before every run), goal: at most
// 0.9 times fdfind. `tunewick-cli list --all-types`, which looks for every song type
// Tunewick knows, at most 1.05 times `tunewick-cli list` (warm). The programs take turns,
// each run in a different order, and the medians are compared. The scan's result is first
// checked against a plain walk that lists every folder twice per song type, with the
// default types and with all of them.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench_tools.h"
#include "catalogue/library_scan.h"
#include "platform/file_system.h"
#include "support/library_generator.h"

namespace tunewick::bench {

// The generated libraries and tag bytes the tests use too.
using namespace tunewick::testing;
namespace {

constexpr double kWarmFdRatio = 0.8, kWarmFindRatio = 0.4, kColdFdRatio = 0.9,
                 kAllTypesRatio = 1.05;

// The scan written as plainly as possible, on std::filesystem rather than Tunewick's
// own folder listing: for each song type one walk of the whole tree, and in each folder
// one listing for the matching files and one for the subfolders. Each real folder is
// entered once per walk, the first time the walk meets it.
using Entered = std::set<std::pair<dev_t, ino_t>>;

void ReferenceFind(std::vector<std::string>& target, std::string folder, std::string_view extension,
                   Entered& entered) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  struct stat self;
  if (::stat(folder.c_str(), &self) != 0 || !S_ISDIR(self.st_mode)) return;
  if (!entered.insert({self.st_dev, self.st_ino}).second) return;

  auto list = [&](auto wanted) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
      std::string name = it->path().filename().native();
      if (wanted(*it, name)) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
  };
  auto isSong = [&](const std::filesystem::directory_entry& entry, const std::string& name) {
    std::error_code error;
    return entry.is_regular_file(error) && HasExtension(name, extension);
  };
  auto isSubfolder = [](const std::filesystem::directory_entry& entry, const std::string& name) {
    std::error_code error;
    return entry.is_directory(error) && name[0] != '.';
  };
  for (const std::string& name : list(isSong)) target.push_back(folder + name);
  for (const std::string& name : list(isSubfolder))
    ReferenceFind(target, folder + name, extension, entered);
}

// The songs of the default types, or of every type when `allTypes`.
std::vector<std::string> ReferenceScan(const std::string& libraryFolder, bool allTypes) {
  std::vector<std::string> songs;
  for (std::size_t type = 0; type < (allTypes ? kSongTypeCount : 3); ++type) {
    Entered entered;
    ReferenceFind(songs, libraryFolder, kSongExtensions[type], entered);
  }
  return songs;
}

// Empties the page cache, so that the next program reads the tree from the disk.
void DropCaches() {
  ::sync();
  std::ofstream drop("/proc/sys/vm/drop_caches");
  drop << "3\n";
  drop.flush();
  if (!drop) throw std::runtime_error("cannot drop the page cache: run as root");
}

struct Contender {
  const char* name;
  std::vector<std::string> command;
  std::vector<double> times;
  double processorTime = 0;  // milliseconds, user and system, all runs together
};

// The processor time that the ended child processes have used so far, in milliseconds.
double ChildrenProcessorTime() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Runs every contender `repeat` times, taking turns and starting each round with the
// next one, so that none always runs on the others' heels; returns nothing but fills
// their times.
void TakeTurns(std::vector<Contender>& contenders, int repeat, bool cold) {
  for (int run = 0; run < repeat; ++run) {
    for (std::size_t turn = 0; turn < contenders.size(); ++turn) {
      Contender& next = contenders[(run + turn) % contenders.size()];
      if (cold) DropCaches();
      const double before = ChildrenProcessorTime();
      next.times.push_back(TimeProgram(next.command));
      next.processorTime += ChildrenProcessorTime() - before;
    }
  }
}

void Report(const std::vector<Contender>& contenders, const char* when) {
  for (const Contender& contender : contenders)
    std::printf(
        "%s %-12s median %7.1f ms  (min %.1f, max %.1f, %zu runs; processor time %.1f ms a run)\n",
        when, contender.name, Median(contender.times),
        *std::min_element(contender.times.begin(), contender.times.end()),
        *std::max_element(contender.times.begin(), contender.times.end()), contender.times.size(),
        contender.processorTime / static_cast<double>(contender.times.size()));
}

bool RatioMet(const char* what, double ratio, double goal) {
  std::printf("ratio %-24s %.2f (goal at most %.2f): %s\n", what, ratio, goal,
              ratio <= goal ? "met" : "MISSED");
  return ratio <= goal;
}

int Run(const char* self, const BenchOptions& options, bool cold) {
  char workPattern[] = "/tmp/tunewick-scan-bench-XXXXXX";
  if (!::mkdtemp(workPattern)) throw std::runtime_error("cannot create a temporary folder");
  const std::string work = workPattern;
  const bool ownRoot = options.root.empty();
  const std::string root = ownRoot ? work + "/library" : options.root;

  FileSystem& fileSystem = RealFileSystem();
  LibraryPlan plan;
  plan.songs = options.songs;
  plan.folders = options.folders;
  plan.seed = options.seed;
  PrepareLibrary(root, plan);

  const std::string libraryFile = work + "/searchfolders";
  std::ofstream(libraryFile, std::ios::binary) << root << "\r\n";

  // Warm the tree, and check the scan before timing anything.
  TimeFind(root);
  SongLists state;
  for (const bool allTypes : {true, false}) {
    rescan(state, fileSystem, libraryFile, allTypes ? SongTypes::All() : SongTypes());
    if (state.AllSongs != ReferenceScan(root, allTypes)) {
      std::printf("FAILED: rescan differs from the reference scan%s\n",
                  allTypes ? " with all types" : "");
      std::filesystem::remove_all(work);
      return 1;
    }
  }
  FolderReaders readers(fileSystem);
  std::printf(
      "the scan finds %zu songs in %zu folders, as the reference scan does; %zu folders "
      "read at once\n",
      state.AllSongs.size(), LibraryTree(readers, root).FolderCount(),
      fileSystem.FolderReadsAtOnce(root));

  const std::string cli = (std::filesystem::absolute(self).parent_path() / "../cli/tunewick-cli");
  std::vector<Contender> contenders = {
      {"tunewick-cli", {cli, "list", root}, {}},
      {"all types", {cli, "list", "--all-types", root}, {}},
      {"fdfind", {"fdfind", "-u", "-t", "f", "-e", "mp3", "-e", "wav", "-e", "wma", ".", root}, {}},
      {"find",
       {"find", root, "-type", "f", "(", "-iname", "*.mp3", "-o", "-iname", "*.wav", "-o", "-iname",
        "*.wma", ")"},
       {}}};
  TakeTurns(contenders, options.repeat, false);
  Report(contenders, "warm");
  const double warmList = Median(contenders[0].times);
  bool met = RatioMet("warm list / fdfind", warmList / Median(contenders[2].times), kWarmFdRatio);
  met &= RatioMet("warm list / find", warmList / Median(contenders[3].times), kWarmFindRatio);
  met &= RatioMet("all types / list", Median(contenders[1].times) / warmList, kAllTypesRatio);

  if (cold) {
    contenders.pop_back();                     // find reads the tree as fdfind does, only slower
    contenders.erase(contenders.begin() + 1);  // the types cost the processor, not the disk
    for (Contender& contender : contenders) contender.times.clear();
    TakeTurns(contenders, options.repeat, true);
    Report(contenders, "cold");
    met &= RatioMet("cold list / fdfind", Median(contenders[0].times) / Median(contenders[1].times),
                    kColdFdRatio);
  }
  std::printf("goals %s\n", met ? "met" : "MISSED");
  std::filesystem::remove_all(work);
  return 0;
}

}  // namespace
}  // namespace tunewick::bench

int main(int argc, char** argv) {
  tunewick::bench::BenchOptions options;
  options.repeat = 9;
  // --cold takes a value like every other option, so that the pairs still parse.
  bool cold = false;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (i + 1 < argc && std::string_view(argv[i]) == "--cold") {
      cold = std::string_view(argv[++i]) != "0";
      continue;
    }
    rest.push_back(argv[i]);
  }
  if (!tunewick::bench::ParseBenchOptions(static_cast<int>(rest.size()), rest.data(),
                                          {"--root", "--songs", "--folders", "--seed", "--repeat"},
                                          options)) {
    std::fprintf(stderr,
                 "usage: scan_bench [--root DIR] [--songs N] [--folders N] [--seed N] "
                 "[--repeat N] [--cold 1]\n");
    return 2;
  }
  return tunewick::bench::RunTellingFailure(
      "scan_bench", [&] { return tunewick::bench::Run(argv[0], options, cold); });
}
