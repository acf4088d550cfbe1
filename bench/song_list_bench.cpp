// song_list_bench: opening the song-list screen on a library with many songs named
// incorrectly, on Qt's offscreen platform.
//
//   song_list_bench [--root DIR] [--songs N] [--folders N] [--incorrect SHARE] [--seed N]
//                   [--repeat N]
//
// The default library has 100,000 songs in 5,000 folders, half of them named
// incorrectly: 50,000 entries in the list. --root works as in scan_bench, so both
// benchmarks can share one generated tree.
//
// Goal: OpenSongList (scan, name check, filling the list, measuring the entries) takes
// less than one second.

#include <QApplication>
#include <QFontMetrics>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "adapters/application.h"
#include "adapters/dialogs.h"
#include "app/main_window.h"
#include "app/tunewick_app.h"
#include "bench_tools.h"
#include "platform/file_system.h"
#include "quiet_services.h"
#include "support/library_generator.h"
#include "widgets/look.h"
#include "widgets/shown_text.h"
#include "widgets/song_list_view.h"
#include "widgets/widest_text.h"

namespace tunewick::bench {

// The generated libraries and tag bytes the tests use too.
using namespace tunewick::testing;
namespace {

constexpr double kGoalMilliseconds = 1000;

template <typename Work>
double MedianTime(int repeat, Work work) {
  std::vector<double> times;
  for (int run = 0; run < repeat; ++run) {
    Stopwatch clock;
    work();
    times.push_back(clock.Milliseconds());
  }
  return Median(times);
}

// Every entry measured one by one: what the list's extent must come to.
int WidestEntry(const std::vector<SongPath>& songs, const QFont& font) {
  const QFontMetrics metrics(font);
  int widest = 0;
  for (const SongPath& song : songs) {
    widest = std::max(widest, metrics.horizontalAdvance(ShownText(song) + QLatin1Char('x')));
  }
  return widest;
}

int Run(const BenchOptions& options) {
  char workPattern[] = "/tmp/tunewick-song-list-bench-XXXXXX";
  if (!::mkdtemp(workPattern)) throw std::runtime_error("cannot create a temporary folder");
  const std::string work = workPattern;
  const std::string root = options.root.empty() ? work + "/library" : options.root;

  LibraryPlan plan;
  plan.songs = options.songs;
  plan.folders = options.folders;
  plan.incorrectShare = options.incorrectShare;
  plan.seed = options.seed;
  PrepareLibrary(root, plan);

  AppPaths paths;
  paths.libraryFile = work + "/searchfolders";
  paths.watchRoot = work + "/rfMyComputer";  // not there: nothing is watched
  paths.programFolder = work;
  std::ofstream(paths.libraryFile, std::ios::binary) << root << "\r\n";

  QuietServices quiet;
  int result = 0;
  {
    TunewickApp app(RealFileSystem(), quiet.dialogs, quiet.player, quiet.desktop, paths, [] {});
    app.Start();
    QApplication::processEvents();
    MainWindow* main = app.windows().mainWindow;
    SongListView* list = main->songList();

    // The first opening meets cold caches (fonts, glyphs, the tree), the user's first time.
    Stopwatch firstClock;
    main->OpenSongList();
    const double first = firstClock.Milliseconds();
    QApplication::processEvents();

    std::vector<double> openTimes, paintTimes;
    for (int run = 0; run < options.repeat; ++run) {
      main->ShowMainMenu();
      QApplication::processEvents();
      Stopwatch openClock;
      main->OpenSongList();
      openTimes.push_back(openClock.Milliseconds());
      Stopwatch paintClock;
      QApplication::processEvents();  // lays the list out and paints the window
      paintTimes.push_back(paintClock.Milliseconds());
    }

    const SongLists& state = app.lists();
    const double scan = MedianTime(options.repeat, [&] { main->rescan(); });
    const double classify = MedianTime(options.repeat, [&] { main->ClassifySongs(); });
    const double fill = MedianTime(options.repeat, [&] {
      list->Reload();
      list->doItemsLayout();
    });
    const double measure = MedianTime(options.repeat, [&] { list->UpdateHorizontalExtent(); });
    std::size_t measuredInFull = 0;
    WidestTextWidth(list->font(), state.IncorrectSongs, QLatin1Char('x'), &measuredInFull);
    Stopwatch everyClock;
    const int widest = WidestEntry(state.IncorrectSongs, list->font());
    const double measureEvery = everyClock.Milliseconds();

    const double open = Median(openTimes);
    std::printf("%zu songs, %zu named incorrectly; list extent %d px\n", state.AllSongs.size(),
                state.IncorrectSongs.size(), list->HorizontalExtent());
    std::printf("OpenSongList  first %8.1f ms, median %8.1f ms (%d runs; goal under %.0f ms): %s\n",
                first, open, options.repeat, kGoalMilliseconds,
                open < kGoalMilliseconds ? "met" : "MISSED");
    std::printf("  scan                 %8.1f ms\n", scan);
    std::printf("  name check           %8.1f ms\n", classify);
    std::printf("  fill and lay out     %8.1f ms\n", fill);
    std::printf(
        "  measure the widths   %8.1f ms  (%zu entries measured in full; all of them: "
        "%.1f ms)\n",
        measure, measuredInFull, measureEvery);
    std::printf("then layout and paint  %8.1f ms\n", Median(paintTimes));
    std::printf("peak memory of this process: %.1f MiB\n", PeakMemoryMiB());
    if (list->HorizontalExtent() != widest) {
      std::printf("FAILED: the list's extent is %d px, the widest entry measures %d px\n",
                  list->HorizontalExtent(), widest);
      result = 1;
    }
    if (quiet.Used() > 0) result = 1;
  }
  std::filesystem::remove_all(work);
  return result;
}

}  // namespace
}  // namespace tunewick::bench

int main(int argc, char** argv) {
  tunewick::bench::BenchOptions options;
  if (!tunewick::bench::ParseBenchOptions(
          argc, argv, {"--root", "--songs", "--folders", "--incorrect", "--seed", "--repeat"},
          options)) {
    std::fprintf(stderr,
                 "usage: song_list_bench [--root DIR] [--songs N] [--folders N] "
                 "[--incorrect SHARE] [--seed N] [--repeat N]\n");
    return 2;
  }
  return tunewick::bench::RunOffscreen(argv, "song_list_bench",
                                       [&] { return tunewick::bench::Run(options); });
}
