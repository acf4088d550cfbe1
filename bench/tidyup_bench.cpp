// tidyup_bench: the whole automatic tidy-up, in the program and through tunewick-cli,
// against the least any tidy-up of the same tree could cost.
//
//   tidyup_bench [--songs N] [--folders N] [--seed N] [--incorrect SHARE] [--repeat N]
//
// A library is generated (by tunewick-genlib) and copied. The tidy-up runs on one copy;
// the floor is measured on another: six find walks (a tidy-up scans six times) and a
// plain loop doing as many no-overwrite renames as the tidy-up did. tunewick-cli then
// tidies a third copy, first with --dry-run and then for real; both must print the same,
// and undoing the real run must give the tree back. Last, in each of --repeat rounds,
// tunewick-cli tidies two fresh copies, one with its journal and one with --no-undo, in
// turns, and undoes the journaled run; it tells the size of the journal as kept and of its
// text, and the journal's cost in processor time too, which tells where a busy machine
// blurs the wall times; and what looking up the identity of a file once per rename costs
// by itself, the least any journal of the run can cost.
//
// Goals: the tidy-up and tunewick-cli within 1.5 times the floor, the dry run no slower
// than the real run, peak memory under 200 MB; journaling adds at most 10% and an undo
// takes no longer than its run (medians of the rounds), and within 1.5 times its run where
// half the renames of a folder of 20,000 songs were refused (one round: renames in one
// large folder cost the run and its undo alike, the margin is for the machine). Where the
// disk has the renames made in several folders at once, each round also runs the tidy-up
// in this program, with its journal and without, renaming one folder at a time as on a
// disk that does not wait: the journal's work then has a core of its own, which the
// renames leave it otherwise.

#include <linux/fs.h>
#include <sys/syscall.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_tools.h"
#include "catalogue/library_scan.h"
#include "journal/journal_store.h"
#include "journal/packed_journal.h"
#include "journal/recorded_run.h"
#include "platform/file_system.h"
#include "platform/forwarding_file_system.h"
#include "reports/changed_files.h"
#include "tidyup/tidy_up.h"

namespace tunewick::bench {
namespace {

constexpr double kTargetRatio = 1.5;
constexpr double kTargetMemoryMiB = 200;

// The machine's file system, counting the renames that happened (in several folders at
// once where it renames so).
class CountingFileSystem final : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::atomic<std::size_t> renames = 0;

  std::error_code Rename(const std::string& from, const std::string& to) override {
    std::error_code error = disk_.Rename(from, to);
    if (!error) ++renames;
    return error;
  }
};

// The machine's file system, renaming one folder at a time.
class OneFolderAtATime final : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::size_t FoldersRenamedAtOnce(const std::string&) const override { return 1; }
};

std::vector<std::string> SortedLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string ProgramBeside(const char* self, const char* name) {
  return (std::filesystem::absolute(self).parent_path() / name).string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Built afresh rather than replaced in place: in place, every replacement of a longer
// text by a shorter one moves all the rest, which on a list of 100,000 renames never ends.
std::string Replaced(const std::string& text, const std::string& from, const std::string& to) {
  std::string result;
  result.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t at; (at = text.find(from, done)) != std::string::npos; done = at + from.size())
    result.append(text, done, at - done).append(to);
  return result.append(text, done);
}

// The floor: six walks of the tree and `renames` plain no-overwrite renames.
double MeasureFloor(const std::string& root, const std::string& work, std::size_t renames) {
  const std::string list = work + "/floor-files.txt";
  double walks = 0;
  for (int walk = 0; walk < 6; ++walk)
    walks += TimeFind(root, walk == 0 ? list.c_str() : "/dev/null");
  std::vector<std::string> files;
  {
    std::ifstream in(list);
    for (std::string line; std::getline(in, line);) files.push_back(line);
  }
  if (files.empty()) return walks;
  Stopwatch clock;
  for (std::size_t i = 0; i < renames; ++i) {
    std::string& current = files[i % files.size()];
    const std::string next = current + "x";
    if (::syscall(SYS_renameat2, AT_FDCWD, current.c_str(), AT_FDCWD, next.c_str(),
                  RENAME_NOREPLACE) != 0)
      throw std::runtime_error("floor rename failed: " + current);
    current = next;
  }
  const double loop = clock.Milliseconds();
  std::printf("floor: six find walks %.0f ms, %zu renames %.0f ms\n", walks, renames, loop);
  return walks + loop;
}

// The work folder and the copies of the generated library in it.
struct Copies {
  std::string work;
  std::string tidied, floor, cli, recorded, unrecorded;
  std::string libraryFile;  // lists `tidied`
};

Copies MakeCopies(const char* self, const BenchOptions& options) {
  char workPattern[] = "/tmp/tunewick-tidyup-bench-XXXXXX";
  if (!::mkdtemp(workPattern)) throw std::runtime_error("cannot create a temporary folder");
  const std::string work = workPattern;
  Copies copies{work,
                work + "/tidied",
                work + "/floor",
                work + "/cli",
                work + "/recorded",
                work + "/unrecorded",
                work + "/searchfolders"};
  // Journals go into the work folder, never into the home folder.
  ::setenv("XDG_STATE_HOME", (work + "/state").c_str(), 1);

  Stopwatch making;
  TimeProgram({ProgramBeside(self, "tunewick-genlib"), copies.tidied, std::to_string(options.songs),
               std::to_string(options.folders), "--seed", std::to_string(options.seed),
               "--incorrect", std::to_string(options.incorrectShare)});
  TimeProgram({"cp", "-a", copies.tidied, copies.floor});
  TimeProgram({"cp", "-a", copies.tidied, copies.cli});
  std::printf("library: %zu songs in %zu folders, generated and copied twice in %.1f s\n",
              options.songs, options.folders, making.Milliseconds() / 1000);
  std::ofstream(copies.libraryFile, std::ios::binary) << copies.tidied << "\r\n";
  TimeFind(copies.tidied);  // warm the tree
  TimeFind(copies.floor);
  return copies;
}

// The tidy-up as the desktop program runs it.
struct DesktopRun {
  double milliseconds = 0;
  double peakMemoryMiB = 0;
  std::size_t renames = 0;
  SongLists lists;
};

DesktopRun RunAsTheDesktopDoes(const Copies& copies) {
  DesktopRun run;
  CountingFileSystem fileSystem(RealFileSystem());
  LibraryFileHost host(run.lists, fileSystem, copies.libraryFile);
  Stopwatch clock;
  RunTidyup(run.lists, fileSystem, host);
  run.milliseconds = clock.Milliseconds();
  run.peakMemoryMiB = PeakMemoryMiB();
  run.renames = fileSystem.renames;

  SongLists before;
  std::ofstream(copies.work + "/floor-library", std::ios::binary) << copies.floor << "\r\n";
  rescan(before, RealFileSystem(), copies.work + "/floor-library");
  rescan(run.lists, RealFileSystem(), copies.libraryFile);
  std::size_t songsChanged = 0;
  for (std::size_t i = 0; i < before.AllSongs.size() && i < run.lists.AllSongs.size(); ++i)
    songsChanged += std::filesystem::path(before.AllSongs[i]).filename() !=
                    std::filesystem::path(run.lists.AllSongs[i]).filename();
  std::printf("tidy-up: %.0f ms, %zu renames, %zu refused; about %zu of %zu songs renamed\n",
              run.milliseconds, run.renames, run.lists.RenameFailures.size(), songsChanged,
              run.lists.AllSongs.size());
  return run;
}

// tunewick-cli on its copy: the dry run, the real run and its undo.
struct CliRun {
  double dryRun = 0, realRun = 0;
  bool undoneWhole = false;
};

CliRun RunTheCli(const std::string& cliProgram, const Copies& copies) {
  const std::string& work = copies.work;
  CliRun run;
  TimeFind(copies.cli, (work + "/before.txt").c_str());
  run.dryRun = TimeProgram({cliProgram, "tidy", "--dry-run", copies.cli},
                           (work + "/dry.txt").c_str(), {0, 1});
  run.realRun = TimeProgram({cliProgram, "tidy", copies.cli}, (work + "/real.txt").c_str(), {0, 1});
  TimeProgram({cliProgram, "undo"}, "/dev/null", {0, 1});
  TimeFind(copies.cli, (work + "/after-undo.txt").c_str());
  run.undoneWhole = SortedLines(work + "/before.txt") == SortedLines(work + "/after-undo.txt");
  return run;
}

// One folder of 20,000 songs named in pairs that tidy to one name, so that half the
// renames are refused: undo looks after each refusal, and must not slow down with the
// size of the folder.
struct RefusalsRun {
  double run = 0, undo = 0;
  bool undoneWhole = false;
};

RefusalsRun MeasureRefusals(const std::string& cliProgram, const std::string& work) {
  const std::string folder = work + "/refusals";
  std::filesystem::create_directories(folder);
  for (int pair = 0; pair < 10000; ++pair)
    for (const char* gap : {"_", " "})
      std::ofstream(folder + "/band" + std::to_string(pair) + gap + "x-song.mp3");
  TimeFind(folder, (work + "/refusals-before.txt").c_str());
  RefusalsRun run;
  run.run = TimeProgram({cliProgram, "tidy", folder}, "/dev/null", {1});
  run.undo = TimeProgram({cliProgram, "undo"}, "/dev/null", {0});
  TimeFind(folder, (work + "/refusals-after.txt").c_str());
  run.undoneWhole =
      SortedLines(work + "/refusals-before.txt") == SortedLines(work + "/refusals-after.txt");
  return run;
}

// Journaling: one copy tidied with the journal and one with --no-undo, the order taking
// turns, each round on fresh copies of the tree undo gave back; then the undo. The copies
// are hard links: renames treat them as any file, and making and removing them creates
// and deletes no files, which after a few rounds would slow every round (ext4 without a
// journal passes over recently deleted inodes while it looks for a free one).
struct JournalRounds {
  std::vector<double> journaledRuns, unjournaledRuns, undoRuns, journalCosts, undoShares;
  std::vector<double> processorCosts;        // journaled / --no-undo, in processor time
  std::vector<double> oneFolderCosts;        // the same in this program, one folder at a time
  std::vector<double> unjournaledProcessor;  // milliseconds
  std::uintmax_t journalKept = 0, journalText = 0;  // of the last journaled run, in bytes
  double identityLookups = 0;                       // milliseconds of processor time, see below
};

// The processor time of looking up the identity of a file `renames` times, going round the
// files of `tree`: what a journaled run does before each rename, and the least its journal
// can cost, since the record must name the very file renamed.
double TimeIdentityLookups(const std::string& tree, std::size_t renames) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(tree))
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  if (files.empty()) return 0;
  const FileSystem& disk = RealFileSystem();
  const CpuTimes start = CpuTimesNow();
  std::size_t found = 0;
  for (std::size_t i = 0; i < renames; ++i)
    found += disk.IdentifyFile(files[i % files.size()], FileSystem::Fingerprint::kLeave) ? 1 : 0;
  if (found != renames) throw std::runtime_error("files of the tree could not be looked up");
  const CpuTimes end = CpuTimesNow();
  return end.user + end.system - start.user - start.system;
}

// The journal of the newest tidy-up: its size on the disk, and that of its text.
void MeasureNewestJournal(const Copies& copies, JournalRounds& rounds) {
  const JournalStore store(RealFileSystem(), copies.work + "/state/tunewick");
  const std::vector<RunSummary> history = store.History();
  if (history.empty()) return;
  const std::string path = store.JournalPath(history.back().name);
  const std::string kept = ReadAll(path);
  const std::optional<UnpackedJournal> unpacked = UnpackJournal(kept);
  rounds.journalKept = kept.size();
  rounds.journalText = unpacked ? unpacked->text.size() : kept.size();
}

// The tidy-up of `tree` in this program, one folder at a time, journaled into `store` or
// (without one) not: its wall time in milliseconds.
double TidyOneFolderAtATime(const Copies& copies, const std::string& tree, JournalStore* store) {
  const std::string libraryFile = tree + ".searchfolders";
  std::ofstream(libraryFile, std::ios::binary) << tree << "\r\n";
  OneFolderAtATime disk(RealFileSystem());
  SongLists lists;
  Stopwatch clock;
  RecordedRun run(store, disk, {RunKind::kTidyup, 0, copies.work, {}});
  LibraryFileHost host(lists, run.fileSystem(), libraryFile);
  RunTidyup(lists, run.fileSystem(), host);
  if (const std::string failure = run.Finish(); !failure.empty())
    throw std::runtime_error("the journal failed: " + failure);
  return clock.Milliseconds();
}

// A journaled and an unjournaled tidy-up of fresh copies in this program, one folder at a
// time, in the order given: the first's wall time over the second's.
double MeasureOneFolderAtATime(const Copies& copies, bool journaledFirst) {
  for (const std::string* copy : {&copies.recorded, &copies.unrecorded}) {
    std::filesystem::remove_all(*copy);
    TimeProgram({"cp", "-al", copies.cli, *copy});
    TimeFind(*copy);
  }
  const std::string state = copies.work + "/one-folder-state";
  std::filesystem::remove_all(state);
  std::filesystem::create_directory(state);
  std::filesystem::permissions(state, std::filesystem::perms::owner_all);
  JournalStore store(RealFileSystem(), state);
  ::sync();
  double journaled = 0, unjournaled = 0;
  for (bool withJournal : {journaledFirst, !journaledFirst}) {
    if (withJournal) {
      journaled = TidyOneFolderAtATime(copies, copies.recorded, &store);
    } else {
      unjournaled = TidyOneFolderAtATime(copies, copies.unrecorded, nullptr);
    }
  }
  return journaled / unjournaled;
}

JournalRounds MeasureJournaling(const std::string& cliProgram, const Copies& copies, int repeat,
                                std::size_t renames) {
  JournalRounds rounds;
  const bool severalFoldersAtOnce = RealFileSystem().FoldersRenamedAtOnce(copies.cli) > 1;
  for (int round = 0; round < repeat; ++round) {
    if (severalFoldersAtOnce)
      rounds.oneFolderCosts.push_back(MeasureOneFolderAtATime(copies, round % 2 == 1));
    for (const std::string* copy : {&copies.recorded, &copies.unrecorded}) {
      std::filesystem::remove_all(*copy);
      TimeProgram({"cp", "-al", copies.cli, *copy});
      TimeFind(*copy);
    }
    ::sync();  // no writing back of the copies while the runs are timed
    ProgramTimes withJournal, without;
    auto journaled = [&] {
      withJournal = TimeProgramFully({cliProgram, "tidy", copies.recorded}, "/dev/null", {0, 1});
      rounds.journaledRuns.push_back(withJournal.wall);
    };
    auto unjournaled = [&] {
      without = TimeProgramFully({cliProgram, "tidy", "--no-undo", copies.unrecorded}, "/dev/null",
                                 {0, 1});
      rounds.unjournaledRuns.push_back(without.wall);
      rounds.unjournaledProcessor.push_back(without.processor);
    };
    if (round % 2 == 0) {
      journaled();
      unjournaled();
    } else {
      unjournaled();
      journaled();
    }
    MeasureNewestJournal(copies, rounds);
    rounds.undoRuns.push_back(TimeProgram({cliProgram, "undo"}, "/dev/null", {0, 1}));
    rounds.journalCosts.push_back(rounds.journaledRuns.back() / rounds.unjournaledRuns.back());
    rounds.processorCosts.push_back(withJournal.processor / without.processor);
    rounds.undoShares.push_back(rounds.undoRuns.back() / rounds.journaledRuns.back());
  }
  if (repeat > 0) rounds.identityLookups = TimeIdentityLookups(copies.recorded, renames);
  return rounds;
}

std::string Range(const std::vector<double>& values) {
  char text[64] = "";
  if (!values.empty())
    std::snprintf(text, sizeof text, "%.2f to %.2f",
                  *std::min_element(values.begin(), values.end()),
                  *std::max_element(values.begin(), values.end()));
  return text;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void ReportJournaling(const JournalRounds& rounds) {
  const std::vector<double>& costs = rounds.journalCosts;
  const std::vector<double>& shares = rounds.undoShares;
  std::printf(
      "journaled / --no-undo   %.0f ms / %.0f ms; median of %zu rounds %.2f (rounds %s; "
      "goal at most 1.10): %s\n",
      Median(rounds.journaledRuns), Median(rounds.unjournaledRuns), costs.size(), Median(costs),
      Range(costs).c_str(), Verdict(!costs.empty() && Median(costs) <= 1.10));
  if (!rounds.processorCosts.empty())
    std::printf("  in processor time    median %.2f (rounds %s)\n", Median(rounds.processorCosts),
                Range(rounds.processorCosts).c_str());
  if (!rounds.oneFolderCosts.empty())
    std::printf("  one folder at a time median %.2f (rounds %s), in this program\n",
                Median(rounds.oneFolderCosts), Range(rounds.oneFolderCosts).c_str());
  if (rounds.identityLookups > 0)
    std::printf("  identity look-ups    %.0f ms of processor time, %.2f of a --no-undo run's\n",
                rounds.identityLookups,
                rounds.identityLookups / Median(rounds.unjournaledProcessor));
  std::printf(
      "undo / the run         %.0f ms / %.0f ms; median of %zu rounds %.2f (rounds %s; "
      "goal at most 1.0): %s\n",
      Median(rounds.undoRuns), Median(rounds.journaledRuns), shares.size(), Median(shares),
      Range(shares).c_str(), Verdict(!shares.empty() && Median(shares) <= 1.0));
  if (rounds.journalKept > 0)
    std::printf("journal of the run     %ju bytes kept for %ju bytes of text: %.1f times smaller\n",
                rounds.journalKept, rounds.journalText,
                static_cast<double>(rounds.journalText) / static_cast<double>(rounds.journalKept));
}

int Run(const char* self, const BenchOptions& options) {
  const Copies copies = MakeCopies(self, options);
  const std::string& work = copies.work;
  const DesktopRun desktop = RunAsTheDesktopDoes(copies);
  const double floorTime = MeasureFloor(copies.floor, work, desktop.renames);
  const std::string cliProgram = ProgramBeside(self, "../cli/tunewick-cli");
  const CliRun cli = RunTheCli(cliProgram, copies);
  const JournalRounds rounds =
      MeasureJournaling(cliProgram, copies, cli.undoneWhole ? options.repeat : 0, desktop.renames);
  const RefusalsRun refusals = MeasureRefusals(cliProgram, work);

  const bool samePrint = ReadAll(work + "/dry.txt") == ReadAll(work + "/real.txt");
  std::string desktopPrint;
  for (const std::string& line : BuildChangedFilesList(desktop.lists)) desktopPrint += line + "\n";
  const bool sameAsDesktop =
      ReadAll(work + "/real.txt").rfind(Replaced(desktopPrint, copies.tidied, copies.cli), 0) == 0;

  const double ratio = desktop.milliseconds / floorTime;
  std::printf("tidy-up / floor        %.2f (goal at most %.1f): %s\n", ratio, kTargetRatio,
              Verdict(ratio <= kTargetRatio));
  std::printf("tunewick-cli tidy      %.0f ms, / floor %.2f: %s\n", cli.realRun,
              cli.realRun / floorTime, Verdict(cli.realRun / floorTime <= kTargetRatio));
  std::printf("tunewick-cli --dry-run %.0f ms, / real run %.2f: %s\n", cli.dryRun,
              cli.dryRun / cli.realRun, Verdict(cli.dryRun <= cli.realRun));
  std::printf("undo of the real run: %s\n",
              cli.undoneWhole ? "the tree is back as it was" : "THE TREE IS NOT BACK");
  ReportJournaling(rounds);
  std::printf(
      "undo / its run, half the renames refused, 20,000 songs in one folder: %.0f ms / "
      "%.0f ms, %.2f (goal at most %.1f): %s; %s\n",
      refusals.undo, refusals.run, refusals.undo / refusals.run, kTargetRatio,
      Verdict(refusals.undo <= kTargetRatio * refusals.run),
      refusals.undoneWhole ? "the folder is back as it was" : "THE FOLDER IS NOT BACK");
  std::printf("dry run printed %s the real run; the real run printed %s the desktop's list\n",
              samePrint ? "the same as" : "SOMETHING ELSE THAN",
              sameAsDesktop ? "the same as" : "SOMETHING ELSE THAN");
  std::printf("peak memory of the tidy-up: %.1f MiB (goal under %.0f): %s\n", desktop.peakMemoryMiB,
              kTargetMemoryMiB, Verdict(desktop.peakMemoryMiB < kTargetMemoryMiB));

  std::filesystem::remove_all(work);
  return samePrint && sameAsDesktop && cli.undoneWhole && refusals.undoneWhole ? 0 : 1;
}

}  // namespace
}  // namespace tunewick::bench

int main(int argc, char** argv) {
  tunewick::bench::BenchOptions options;
  if (!tunewick::bench::ParseBenchOptions(
          argc, argv, {"--songs", "--folders", "--seed", "--incorrect", "--repeat"}, options)) {
    std::fprintf(stderr,
                 "usage: tidyup_bench [--songs N] [--folders N] [--seed N] [--incorrect SHARE] "
                 "[--repeat N]\n");
    return 2;
  }
  return tunewick::bench::RunTellingFailure("tidyup_bench",
                                            [&] { return tunewick::bench::Run(argv[0], options); });
}
