// tunewick-genlib: writes a music library to try Tunewick on.
//
//   tunewick-genlib ROOT SONGS [FOLDERS] [--seed N] [--incorrect SHARE] [--links N]

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "bench_tools.h"
#include "support/library_generator.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: tunewick-genlib ROOT SONGS [FOLDERS] [--seed N] [--incorrect SHARE] "
               "[--links N]\n"
               "  ROOT       the folder to fill; created when missing, else it must be empty\n"
               "  SONGS      song files a scan finds\n"
               "  FOLDERS    ordinary folders below ROOT (default: SONGS / 20)\n"
               "  --seed N   the same seed gives the same library (default 1)\n"
               "  --incorrect SHARE  share of songs named incorrectly, 0 to 1 (default 0.5)\n"
               "  --links N  symbolic links: loops, second routes, links to songs, broken\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tunewick::bench;
  using namespace tunewick::testing;
  LibraryPlan plan;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--seed" && hasValue) {
      auto seed = ParseCount(argv[++i]);
      if (!seed) return Usage();
      plan.seed = *seed;
    } else if (arg == "--incorrect" && hasValue) {
      auto share = ParseShare(argv[++i]);
      if (!share) return Usage();
      plan.incorrectShare = *share;
    } else if (arg == "--links" && hasValue) {
      auto links = ParseCount(argv[++i]);
      if (!links) return Usage();
      plan.links = *links;
    } else if (arg.starts_with("--") || arg.empty()) {
      return Usage();
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() < 2 || positional.size() > 3) return Usage();
  plan.root = positional[0];
  auto songs = ParseCount(positional[1]);
  if (!songs) return Usage();
  plan.songs = *songs;
  if (positional.size() == 3) {
    auto folders = ParseCount(positional[2]);
    if (!folders) return Usage();
    plan.folders = *folders;
  }

  try {
    Stopwatch clock;
    const LibrarySummary made = GenerateLibrary(plan);
    std::printf(
        "%s: %zu songs (%zu named incorrectly) in %zu folders, %zu other files,\n"
        "%zu dot-folders holding %zu songs, %zu links; %.0f ms\n",
        plan.root.c_str(), made.songs, made.incorrectSongs, made.folders, made.otherFiles,
        made.dotFolders, made.songsInDotFolders, made.links, clock.Milliseconds());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tunewick-genlib: %s\n", error.what());
    return 1;
  }
  return 0;
}
