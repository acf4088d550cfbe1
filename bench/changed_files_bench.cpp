// changed_files_bench: opening the list of changed files after a tidy-up of a large
// library, on Qt's offscreen platform.
//
//   changed_files_bench [--lines N] [--repeat N]
//
// The list is filled with N rename lines in the tidy-up's own forms, grouped under the
// step headings, and the window is opened: filled, laid out, measured and painted.
// Goal: under 1 s for 100,000 lines.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "adapters/application.h"
#include "app/tunewick_app.h"
#include "bench_tools.h"
#include "platform/file_system.h"
#include "quiet_services.h"
#include "reports/changed_files.h"
#include "tidyup/batch_rename.h"
#include "widgets/look.h"
#include "widgets/song_list_view.h"
#include "windows/changed_files_window.h"

namespace tunewick::bench {
namespace {

constexpr double kTargetMilliseconds = 1000;

int Run(std::size_t lines, int repeat) {
  char workPattern[] = "/tmp/tunewick-list-bench-XXXXXX";
  if (!::mkdtemp(workPattern)) throw std::runtime_error("cannot create a temporary folder");
  AppPaths paths;
  paths.libraryFile = std::string(workPattern) + "/searchfolders";
  paths.watchRoot = std::string(workPattern) + "/rfMyComputer";
  paths.programFolder = workPattern;

  QuietServices quiet;
  TunewickApp app(RealFileSystem(), quiet.dialogs, quiet.player, quiet.desktop, paths, [] {});
  SongLists& state = app.lists();
  for (std::size_t i = 0; i < lines; ++i) {
    const std::string folder = "/home/ann/Music/Artist " + std::to_string(i % 5000) + "/Album " +
                               std::to_string(i % 7) + "/";
    const std::string song = "Song number " + std::to_string(i) + " (live at the hall).mp3";
    TextList& log = i % 3 == 0 ? state.DashLog : i % 3 == 1 ? state.CapitalLog : state.PrefixLog;
    log.push_back(
        QuotedRenameLine(folder + "0" + std::to_string(i % 10) + " " + song, folder + song));
  }
  const TextList list = BuildChangedFilesList(state);

  std::vector<double> times;
  ChangedFilesWindow* window = app.windows().changedFilesWindow;
  for (int run = 0; run < repeat; ++run) {
    window->hide();
    QApplication::processEvents();
    Stopwatch clock;
    window->ShowList(ChangedFilesKind::kTidyup, list);
    QApplication::processEvents();  // lays the list out and paints the window
    times.push_back(clock.Milliseconds());
  }
  const double median = Median(times);
  Stopwatch reloadClock;
  window->list()->Reload();
  const double reload = reloadClock.Milliseconds();
  Stopwatch measureClock;
  window->list()->UpdateHorizontalExtent();
  const double measure = measureClock.Milliseconds();
  std::printf("  of which: filling the list %.1f ms, measuring the lines %.1f ms\n", reload,
              measure);
  std::printf("changed-files window with %zu lines: first opening %.1f ms, median %.1f ms of %d\n",
              list.size(), times.front(), median, repeat);
  std::printf("horizontal extent %d px\n", window->list()->HorizontalExtent());
  std::printf("goal under %.0f ms: %s\n", kTargetMilliseconds,
              times.front() < kTargetMilliseconds ? "met" : "MISSED");
  std::printf("peak memory of this process: %.1f MiB\n", PeakMemoryMiB());
  std::filesystem::remove_all(workPattern);
  return quiet.Used() == 0 ? 0 : 1;
}

}  // namespace
}  // namespace tunewick::bench

int main(int argc, char** argv) {
  tunewick::bench::BenchOptions options;
  if (!tunewick::bench::ParseBenchOptions(argc, argv, {"--lines", "--repeat"}, options)) {
    std::fprintf(stderr, "usage: changed_files_bench [--lines N] [--repeat N]\n");
    return 2;
  }
  return tunewick::bench::RunOffscreen(argv, "changed_files_bench", [&] {
    return tunewick::bench::Run(options.lines, options.repeat);
  });
}
