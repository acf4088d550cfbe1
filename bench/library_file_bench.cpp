// library_file_bench: tunewick-cli over a library file of very many lines, most of them
// folders that are gone or hold a single song, as a library file kept for years may be.
//
//   library_file_bench [--lines N] [--repeat N]
//
// Writes N lines (300,000 by default): every tenth an existing folder holding one song to
// tidy, the rest folders that do not exist. Then `tunewick-cli list`, `tunewick-cli tidy
// --dry-run` and the yardstick, `find` given every line once for each of the six scans a
// tidy-up makes, take turns; the medians are compared. Both commands are checked first:
// each finds every song.
//
// Goal: the dry run within 120 s on two cores, and within 5 times the yardstick.

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_tools.h"

namespace tunewick::bench {
namespace {

constexpr double kMostDryRunMs = 120000;
constexpr double kMostYardstickRatio = 5;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int Run(const char* self, const BenchOptions& options) {
  char workPattern[] = "/tmp/tunewick-library-file-bench-XXXXXX";
  if (!::mkdtemp(workPattern)) throw std::runtime_error("cannot create a temporary folder");
  const std::string work = workPattern;
  ::setenv("XDG_STATE_HOME", (work + "/state").c_str(), 1);  // no journal of the user's
  const std::string lines = work + "/lines.txt";
  std::size_t songs = 0;
  {
    std::ofstream library(work + "/searchfolders", std::ios::binary), plain(lines);
    for (std::size_t line = 0; line < options.lines; ++line) {
      std::string folder = work + "/library/" + std::to_string(line);
      if (line % 10 == 0) {
        std::filesystem::create_directories(folder);
        // Two dashes: listed, and renamed by the underscore step among others.
        std::ofstream(folder + "/01_artist-song-" + std::to_string(line) + ".mp3");
        ++songs;
      } else {
        folder += "/gone";
      }
      library << folder << "\r\n";
      plain << folder << '\n';
    }
  }
  std::printf("library file: %zu lines, %zu folders with a song\n", options.lines, songs);

  const std::string cli = (std::filesystem::absolute(self).parent_path() / "../cli/tunewick-cli");
  std::filesystem::current_path(work);  // the library file of the current folder is read
  TimeProgram({cli, "list"}, (work + "/list.txt").c_str());
  TimeProgram({cli, "tidy", "--dry-run"}, (work + "/dry.txt").c_str());
  const std::string list = ReadAll(work + "/list.txt"), dry = ReadAll(work + "/dry.txt");
  const bool listed = static_cast<std::size_t>(std::count(list.begin(), list.end(), '\n')) == songs;
  const bool tidied = dry.find("\n" + std::to_string(songs) +
                               " Underscores Replaced with spaces\n") != std::string::npos;
  if (!listed || !tidied) {
    std::printf("FAILED: %s\n", listed ? "the dry run missed songs" : "the list missed songs");
    std::filesystem::remove_all(work);
    return 1;
  }

  const std::string yardstick = "for scan in 1 2 3 4 5 6; do xargs -d '\\n' -a " + lines +
                                " find -type f -iname '*.mp3' 2>/dev/null; done; true";
  std::vector<double> listTimes, dryTimes, findTimes;
  for (int round = 0; round < options.repeat; ++round) {
    // Each round in another order, so that no one always runs first.
    for (int turn = 0; turn < 3; ++turn) {
      switch ((round + turn) % 3) {
        case 0:
          listTimes.push_back(TimeProgram({cli, "list"}));
          break;
        case 1:
          dryTimes.push_back(TimeProgram({cli, "tidy", "--dry-run"}));
          break;
        case 2:
          findTimes.push_back(TimeProgram({"sh", "-c", yardstick}));
          break;
      }
    }
  }
  const double dryRun = Median(dryTimes), sixFinds = Median(findTimes);
  std::printf("tunewick-cli list          %8.0f ms\n", Median(listTimes));
  std::printf("tunewick-cli tidy --dry-run %7.0f ms (goal under %.0f ms): %s\n", dryRun,
              kMostDryRunMs, dryRun < kMostDryRunMs ? "met" : "MISSED");
  std::printf("six find walks             %8.0f ms; dry run / walks %.2f (goal at most %.0f): %s\n",
              sixFinds, dryRun / sixFinds, kMostYardstickRatio,
              dryRun / sixFinds <= kMostYardstickRatio ? "met" : "MISSED");
  std::filesystem::remove_all(work);
  return 0;
}

}  // namespace
}  // namespace tunewick::bench

int main(int argc, char** argv) {
  tunewick::bench::BenchOptions options;
  options.lines = 300000;
  options.repeat = 3;
  if (!tunewick::bench::ParseBenchOptions(argc, argv, {"--lines", "--repeat"}, options)) {
    std::fprintf(stderr, "usage: library_file_bench [--lines N] [--repeat N]\n");
    return 2;
  }
  return tunewick::bench::RunTellingFailure("library_file_bench",
                                            [&] { return tunewick::bench::Run(argv[0], options); });
}
