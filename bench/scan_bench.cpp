// scan_bench: the library scan (`rescan`) against find(1) on the same warm tree.
//
//   scan_bench [--root DIR] [--songs N] [--folders N] [--seed N] [--repeat N]
//
// Without --root the library is generated into a temporary folder and removed at the
// end. With --root an empty or missing DIR is filled and kept; a DIR that already
// holds files is scanned as it stands, so one generated tree serves many runs.
//
// Goal: the median rescan takes at most 0.8 times the median find. The scan's result
// is first checked against a plain walk that lists every folder twice per song type.

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

#include "bench/bench_tools.h"
#include "bench/library_generator.h"
#include "catalogue/library_scan.h"
#include "platform/file_system.h"

namespace tunewick::bench {
namespace {

constexpr double kTargetRatio = 0.8;

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
    return entry.is_regular_file(error) && MatchesSongMask(name, std::string("*") += extension);
  };
  auto isSubfolder = [](const std::filesystem::directory_entry& entry, const std::string& name) {
    std::error_code error;
    return entry.is_directory(error) && name[0] != '.';
  };
  for (const std::string& name : list(isSong)) target.push_back(folder + name);
  for (const std::string& name : list(isSubfolder))
    ReferenceFind(target, folder + name, extension, entered);
}

std::vector<std::string> ReferenceScan(const std::string& libraryFolder) {
  std::vector<std::string> songs;
  for (std::string_view extension : {".mp3", ".wav", ".wma"}) {
    Entered entered;
    ReferenceFind(songs, libraryFolder, extension, entered);
  }
  return songs;
}

std::size_t CountLines(const std::string& path) {
  std::ifstream in(path);
  std::size_t lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return lines;
}

int Run(const BenchOptions& options) {
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

  // Warm the tree, and check both sides before timing them.
  const std::string findOutput = work + "/find.txt";
  TimeFind(root, findOutput.c_str());
  SharedState state;
  rescan(state, fileSystem, libraryFile);
  if (state.AllSongs != ReferenceScan(root)) {
    std::printf("FAILED: rescan differs from the reference scan\n");
    std::filesystem::remove_all(work);
    return 1;
  }
  std::printf(
      "rescan finds %zu songs in %zu folders, as the reference scan does; find lists %zu "
      "files (dot-folders included)\n",
      state.AllSongs.size(), LibraryTree(fileSystem, root).FolderCount(), CountLines(findOutput));

  std::vector<double> scanTimes, findTimes;
  double scanUser = 0, scanSystem = 0;
  for (int run = 0; run < options.repeat; ++run) {
    auto timeScan = [&] {
      const CpuTimes before = CpuTimesNow();
      Stopwatch clock;
      rescan(state, fileSystem, libraryFile);
      scanTimes.push_back(clock.Milliseconds());
      const CpuTimes after = CpuTimesNow();
      scanUser += after.user - before.user;
      scanSystem += after.system - before.system;
    };
    // Alternate the order so that neither side always runs on the other's warm caches.
    if (run % 2) timeScan();
    findTimes.push_back(TimeFind(root));
    if (run % 2 == 0) timeScan();
  }
  const double scan = Median(scanTimes), find = Median(findTimes);
  const double ratio = scan / find;
  std::printf(
      "rescan  median %8.1f ms  (min %.1f, %d runs; on average %.1f ms in the program, "
      "%.1f ms in the kernel)\n",
      scan, *std::min_element(scanTimes.begin(), scanTimes.end()), options.repeat,
      scanUser / options.repeat, scanSystem / options.repeat);
  std::printf("find    median %8.1f ms  (min %.1f, %d runs)\n", find,
              *std::min_element(findTimes.begin(), findTimes.end()), options.repeat);
  std::printf("ratio rescan/find %.2f (goal at most %.2f): %s\n", ratio, kTargetRatio,
              ratio <= kTargetRatio ? "met" : "MISSED");
  std::printf("peak memory of this process: %.1f MiB\n", PeakMemoryMiB());

  std::filesystem::remove_all(work);
  return 0;
}

}  // namespace
}  // namespace tunewick::bench

int main(int argc, char** argv) {
  tunewick::bench::BenchOptions options;
  options.repeat = 7;
  if (!tunewick::bench::ParseBenchOptions(
          argc, argv, {"--root", "--songs", "--folders", "--seed", "--repeat"}, options)) {
    std::fprintf(stderr,
                 "usage: scan_bench [--root DIR] [--songs N] [--folders N] [--seed N] "
                 "[--repeat N]\n");
    return 2;
  }
  try {
    return tunewick::bench::Run(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "scan_bench: %s\n", error.what());
    return 1;
  }
}
