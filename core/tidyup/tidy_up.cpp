#include "tidyup/tidy_up.h"

#include "catalogue/library_scan.h"
#include "catalogue/song_path.h"
#include "rules/name_rules.h"
#include "tidyup/batch_rename.h"

namespace tunewick {

void LibraryFileHost::Rescan() { rescan(lists_, fileSystem_, libraryFile_); }

namespace {

bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }

bool HasLowerAfterSpace(std::string_view name) {
  for (std::size_t i = 0; i + 1 < name.size(); ++i)
    if (name[i] == ' ' && IsLowerAscii(name[i + 1])) return true;
  return false;
}

// Brackets a step with the host's begin and end, the end also on an error.
template <typename Work>
void InStep(TidyupHost& host, TidyupStep step, Work work) {
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
void BeforeSong(TidyupHost& host, TidyupStep step, std::size_t done, std::size_t total) {
  if (host.StopRequested()) throw TidyupStopped{};
  if (done % 256 == 0 || done + 1 == total) host.Progress(step, done + 1, total);
}

// The songs among `count` that a pass is to rename: those for which `toRename(i)` gives
// a path, picked once before the pass begins. Where the file system asks, it is told
// their paths in order, each copied while it is still in the cache from being picked.
class PlannedRenames {
 public:
  template <typename Pick>
  PlannedRenames(FileSystem& fileSystem, std::size_t count, Pick toRename) : due_(count) {
    const bool tell = fileSystem.WantsRenamesAhead();
    PathList paths;
    for (std::size_t i = 0; i < count; ++i) {
      if (const SongPath* path = toRename(i)) {
        due_[i] = true;
        if (tell) paths.Add(*path);
      }
    }
    if (tell) fileSystem.AboutToRename(std::move(paths));
  }

  bool operator[](std::size_t i) const { return due_[i]; }

 private:
  std::vector<bool> due_;
};

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
  const std::size_t total = collected.size();
  const PlannedRenames planned(fileSystem, total, [&](std::size_t j) {
    return needs(collected[j].name) ? &collected[j].path : nullptr;
  });
  for (std::size_t j = 0; j < total; ++j) {
    BeforeSong(host, TidyupStep::kDash, j, total);
    if (!planned[j]) continue;
    RenameInFolder(lists, fileSystem, collected[j].path, repair(collected[j].name), &lists.DashLog);
  }
}

// Renames AllSongs[i] to its folder plus `newName`; AllSongs follows a rename that
// happened and keeps the old path when it was refused.
void RenameListedSong(SongLists& lists, FileSystem& fileSystem, std::size_t i,
                      std::string_view newName, TextList* log, LogForm form) {
  if (auto renamed = RenameInFolder(lists, fileSystem, lists.AllSongs[i], newName, log, form))
    lists.AllSongs[i] = std::move(*renamed);
}

// One pass over AllSongs: each song whose file name `needs` the repair is renamed to
// `repair` of it, AllSongs following the renames that happened.
template <typename Test, typename Repair>
void RepairListedSongs(SongLists& lists, FileSystem& fileSystem, TidyupHost& host, TidyupStep step,
                       Test needs, Repair repair, TextList& log, LogForm form) {
  const PlannedRenames planned(fileSystem, lists.AllSongs.size(), [&](std::size_t i) {
    return needs(FileNameOf(lists.AllSongs[i])) ? &lists.AllSongs[i] : nullptr;
  });
  for (std::size_t i = 0; i < lists.AllSongs.size(); ++i) {
    BeforeSong(host, step, i, lists.AllSongs.size());
    if (planned[i])
      RenameListedSong(lists, fileSystem, i, repair(FileNameOf(lists.AllSongs[i])), &log, form);
  }
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
    const PlannedRenames planned(fileSystem, lists.AllSongs.size(), [&](std::size_t i) {
      return HasAnyBracketNumber(FileNameOf(lists.AllSongs[i])) ? &lists.AllSongs[i] : nullptr;
    });
    for (std::size_t i = 0; i < lists.AllSongs.size(); ++i) {
      BeforeSong(host, TidyupStep::kBracket, i, lists.AllSongs.size());
      if (!planned[i]) continue;
      for (int digit = 0; digit <= 9; ++digit) {
        const std::string_view name = FileNameOf(lists.AllSongs[i]);
        if (!HasBracketNumber(name, digit)) continue;
        std::string newName = RemoveBracketNumber(name, digit);
        while (HasBracketNumber(newName, digit)) {
          std::string again = RemoveBracketNumber(newName, digit);
          if (again == newName) break;
          newName = std::move(again);
        }
        RenameListedSong(lists, fileSystem, i, newName, nullptr, LogForm::kQuoted);
      }
    }
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
  const PlannedRenames planned(fileSystem, prefixed.size(),
                               [&](std::size_t i) { return &prefixed[i].path; });
  for (std::size_t i = 0; i < prefixed.size(); ++i) {
    BeforeSong(host, TidyupStep::kPrefix, i, prefixed.size());
    if (planned[i])
      RenameInFolder(lists, fileSystem, prefixed[i].path, prefixed[i].strippedName,
                     &lists.PrefixLog);
  }
}

TidyupEnd RunTidyup(SongLists& lists, FileSystem& fileSystem, TidyupHost& host) {
  for (TextList* log : {&lists.PrefixLog, &lists.UnderscoreLog, &lists.BracketLog,
                        &lists.CapitalLog, &lists.DashLog})
    log->clear();
  lists.RenameFailures.clear();

  try {
    InStep(host, TidyupStep::kDash, [&] { DashStep(lists, fileSystem, host); });
    host.Rescan();
    ResetBetweenSteps(lists);
    InStep(host, TidyupStep::kUnderscore, [&] { UnderscoreStep(lists, fileSystem, host); });
    ResetBetweenSteps(lists);
    InStep(host, TidyupStep::kCapitalisation, [&] { CapitalisationStep(lists, fileSystem, host); });
    ResetBetweenSteps(lists);
    InStep(host, TidyupStep::kBracket, [&] { BracketStep(lists, fileSystem, host); });
    ResetBetweenSteps(lists);
    InStep(host, TidyupStep::kPrefix, [&] { PrefixStep(lists, fileSystem, host); });
  } catch (const TidyupStopped&) {
    return TidyupEnd::kStopped;
  }
  return TidyupEnd::kFinished;
}

}  // namespace tunewick
