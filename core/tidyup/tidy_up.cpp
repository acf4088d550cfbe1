#include "tidyup/tidy_up.h"

#include "catalogue/library_scan.h"
#include "catalogue/song_path.h"
#include "rules/name_rules.h"
#include "tidyup/batch_rename.h"
#include "tidyup/song_pass.h"

namespace tunewick {

void LibraryFileHost::Rescan() { rescan(lists_, fileSystem_, libraryFile_); }

namespace {

bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }

bool HasLowerAfterSpace(std::string_view name) {
  for (std::size_t i = 0; i + 1 < name.size(); ++i)
    if (name[i] == ' ' && IsLowerAscii(name[i + 1])) return true;
  return false;
}

// Ends the run when the host asks, or when no more renames can be made.
void StopIfAsked(TidyupHost& host, const FileSystem& fileSystem) {
  if (host.StopRequested() || fileSystem.RenamesEnded()) throw TidyupStopped{};
}

// Brackets a step with the host's begin and end, the end also on an error. No step begins
// once the run is to end.
template <typename Work>
void InStep(TidyupHost& host, const FileSystem& fileSystem, TidyupStep step, Work work) {
  StopIfAsked(host, fileSystem);
  host.BeginStep(step);
  struct EndOnExit {
    TidyupHost& host;
    TidyupStep step;
    ~EndOnExit() { host.EndStep(step); }
  } end{host, step};
  work();
}

// Before each song of a pass: ends the run if the host asks, and tells the host how far
// the pass has got, every so many songs and at its end.
void BeforeSong(TidyupHost& host, const FileSystem& fileSystem, TidyupStep step, std::size_t done,
                std::size_t total) {
  StopIfAsked(host, fileSystem);
  if (done % 256 == 0 || done + 1 == total) host.Progress(step, done + 1, total);
}

// A pass of a step over `count` songs: `due(i)` gives the path of song i when it is to be
// renamed, `work(i)` renames it and `finish(i)` writes down what that did.
template <typename Due, typename Work, typename Finish>
void RunStepPass(FileSystem& fileSystem, TidyupHost& host, TidyupStep step, std::size_t count,
                 Due due, Work work, Finish finish) {
  RunSongPass(fileSystem,
              {.count = count,
               .due = due,
               .work = work,
               .finish = finish,
               .before = [&](std::size_t i) { BeforeSong(host, fileSystem, step, i, count); },
               .waiting = [&] { StopIfAsked(host, fileSystem); }});
}

// A song the dash step looks at, with its path and name as the step found them.
struct CollectedSong {
  SongPath path;
  std::string name;
};

// One pass of the dash step over the songs it collected: the names and paths as they
// were collected, whatever earlier passes did to the files.
template <typename Test, typename Repair>
void DashPass(SongLists& lists, FileSystem& fileSystem, TidyupHost& host,
              const std::vector<CollectedSong>& collected, Test needs, Repair repair) {
  std::vector<FolderRename> renames(collected.size());
  RunStepPass(
      fileSystem, host, TidyupStep::kDash, collected.size(),
      [&](std::size_t i) { return needs(collected[i].name) ? &collected[i].path : nullptr; },
      [&](std::size_t i) {
        renames[i] = RenameWithinFolder(fileSystem, collected[i].path, repair(collected[i].name));
      },
      [&](std::size_t i) { WriteDown(lists, std::move(renames[i]), &lists.DashLog); });
}

// One pass over AllSongs: each song whose file name `needs` the repair is renamed to
// `repair` of it, AllSongs following the renames that happened.
template <typename Test, typename Repair>
void RepairListedSongs(SongLists& lists, FileSystem& fileSystem, TidyupHost& host, TidyupStep step,
                       Test needs, Repair repair, TextList& log, LogForm form) {
  std::vector<SongPath>& songs = lists.AllSongs;
  std::vector<FolderRename> renames(songs.size());
  RunStepPass(
      fileSystem, host, step, songs.size(),
      [&](std::size_t i) { return needs(FileNameOf(songs[i])) ? &songs[i] : nullptr; },
      [&](std::size_t i) {
        renames[i] = RenameWithinFolder(fileSystem, songs[i], repair(FileNameOf(songs[i])));
      },
      [&](std::size_t i) {
        if (auto renamed = WriteDown(lists, std::move(renames[i]), &log, form))
          songs[i] = std::move(*renamed);
      });
}

// The renames that take every "(0)" to "(9)" out of the name of the song at `path`, one
// digit after the other, each from where the one before left the song.
std::vector<FolderRename> RemoveBracketNumbers(FileSystem& fileSystem, SongPath path) {
  std::vector<FolderRename> renames;
  for (int digit = 0; digit <= 9; ++digit) {
    const std::string_view name = FileNameOf(path);
    if (!HasBracketNumber(name, digit)) continue;
    std::string newName = RemoveBracketNumber(name, digit);
    while (HasBracketNumber(newName, digit)) {
      std::string again = RemoveBracketNumber(newName, digit);
      if (again == newName) break;
      newName = std::move(again);
    }
    FolderRename& rename = renames.emplace_back(RenameWithinFolder(fileSystem, path, newName));
    if (rename.outcome == FolderRename::Outcome::kRenamed) path = rename.to;
  }
  return renames;
}

}  // namespace

void ResetBetweenSteps(SongLists& lists) {
  lists.IncorrectSongs.clear();
  lists.LibraryFolders.clear();
}

void DashStep(SongLists& lists, FileSystem& fileSystem, TidyupHost& host) {
  host.Rescan();
  if (lists.AllSongs.empty()) return;
  std::vector<CollectedSong> unspaced;  // songs without a spaced dash
  for (const SongPath& song : lists.AllSongs) {
    const std::string_view name = FileNameOf(song);
    if (!HasSpacedDash(name)) unspaced.push_back({song, std::string(name)});
  }
  DashPass(lists, fileSystem, host, unspaced, NeedsSpaceAfterDash, AddSpaceAfterDash);
  DashPass(lists, fileSystem, host, unspaced, NeedsSpaceBeforeDash, AddSpaceBeforeDash);
  DashPass(lists, fileSystem, host, unspaced, NeedsSpacesAroundDashes, SpaceAllDashes);
}

void UnderscoreStep(SongLists& lists, FileSystem& fileSystem, TidyupHost& host) {
  host.Rescan();
  RepairListedSongs(lists, fileSystem, host, TidyupStep::kUnderscore, HasUnderscore,
                    ReplaceUnderscores, lists.UnderscoreLog, LogForm::kQuoted);
  host.ShowMainMenu();
}

void CapitalisationStep(SongLists& lists, FileSystem& fileSystem, TidyupHost& host) {
  host.Rescan();
  auto startsLower = [](std::string_view name) { return !name.empty() && IsLowerAscii(name[0]); };
  RepairListedSongs(lists, fileSystem, host, TidyupStep::kCapitalisation, startsLower,
                    CapitaliseFirstLetter, lists.CapitalLog, LogForm::kUnquoted);
  // The word pass sees the names as the first-letter pass left them.
  RepairListedSongs(lists, fileSystem, host, TidyupStep::kCapitalisation, HasLowerAfterSpace,
                    CapitaliseAfterSpaces, lists.CapitalLog, LogForm::kUnquoted);
}

void BracketStep(SongLists& lists, FileSystem& fileSystem, TidyupHost& host) {
  host.Rescan();
  if (lists.AllSongs.empty()) {
    host.NoSongsFound();
  } else {
    // One line per song whose path changed, however many renames that took; written
    // also when the run stops part-way.
    struct LogOnExit {
      SongLists& lists;
      const std::vector<SongPath> before = lists.AllSongs;
      ~LogOnExit() {
        for (std::size_t i = 0; i < lists.AllSongs.size(); ++i)
          if (lists.AllSongs[i] != before[i])
            lists.BracketLog.push_back(QuotedRenameLine(before[i], lists.AllSongs[i]));
      }
    } log{lists};
    std::vector<SongPath>& songs = lists.AllSongs;
    std::vector<std::vector<FolderRename>> renames(songs.size());
    RunStepPass(
        fileSystem, host, TidyupStep::kBracket, songs.size(),
        [&](std::size_t i) {
          return HasAnyBracketNumber(FileNameOf(songs[i])) ? &songs[i] : nullptr;
        },
        [&](std::size_t i) { renames[i] = RemoveBracketNumbers(fileSystem, songs[i]); },
        [&](std::size_t i) {
          for (FolderRename& rename : renames[i])
            if (auto renamed = WriteDown(lists, std::move(rename), nullptr))
              songs[i] = std::move(*renamed);
        });
  }
  host.ShowMainMenu();
}

void PrefixStep(SongLists& lists, FileSystem& fileSystem, TidyupHost& host) {
  host.Rescan();
  struct Prefixed {
    SongPath path;
    std::string strippedName;
  };
  std::vector<Prefixed> prefixed;  // as the scan found them, with the names they are to get
  for (const SongPath& song : lists.AllSongs) {
    const std::string_view name = FileNameOf(song);
    if (StartsWithPrefix(name)) prefixed.push_back({song, StripPrefix(name)});
  }
  std::vector<FolderRename> renames(prefixed.size());
  RunStepPass(
      fileSystem, host, TidyupStep::kPrefix, prefixed.size(),
      [&](std::size_t i) { return &prefixed[i].path; },
      [&](std::size_t i) {
        renames[i] = RenameWithinFolder(fileSystem, prefixed[i].path, prefixed[i].strippedName);
      },
      [&](std::size_t i) { WriteDown(lists, std::move(renames[i]), &lists.PrefixLog); });
}

TidyupEnd RunTidyup(SongLists& lists, FileSystem& fileSystem, TidyupHost& host) {
  for (TextList* log : {&lists.PrefixLog, &lists.UnderscoreLog, &lists.BracketLog,
                        &lists.CapitalLog, &lists.DashLog})
    log->clear();
  lists.RenameFailures.clear();

  try {
    InStep(host, fileSystem, TidyupStep::kDash, [&] { DashStep(lists, fileSystem, host); });
    host.Rescan();
    ResetBetweenSteps(lists);
    InStep(host, fileSystem, TidyupStep::kUnderscore,
           [&] { UnderscoreStep(lists, fileSystem, host); });
    ResetBetweenSteps(lists);
    InStep(host, fileSystem, TidyupStep::kCapitalisation,
           [&] { CapitalisationStep(lists, fileSystem, host); });
    ResetBetweenSteps(lists);
    InStep(host, fileSystem, TidyupStep::kBracket, [&] { BracketStep(lists, fileSystem, host); });
    ResetBetweenSteps(lists);
    InStep(host, fileSystem, TidyupStep::kPrefix, [&] { PrefixStep(lists, fileSystem, host); });
  } catch (const TidyupStopped&) {
    return TidyupEnd::kStopped;
  }
  return TidyupEnd::kFinished;
}

}  // namespace tunewick
