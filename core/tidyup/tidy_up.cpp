#include "tidyup/tidy_up.h"

#include "catalogue/library_scan.h"
#include "catalogue/song_path.h"
#include "rules/name_rules.h"
#include "tidyup/batch_rename.h"

namespace tunewick {

void LibraryFileHost::Rescan() { rescan(state_, fileSystem_, libraryFile_); }

namespace {

void ClearWorkLists(SharedState& state) {
  state.WorkListA.clear();
  state.WorkListB.clear();
  state.WorkListC.clear();
  state.WorkListD.clear();
}

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

// Tells the host how far a pass has got, every so many songs and at its end.
void ReportProgress(TidyupHost& host, TidyupStep step, std::size_t done, std::size_t total) {
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

// One pass of the dash step over the songs it collected: the names and paths as they
// were collected, whatever earlier passes did to the files.
template <typename Test, typename Repair>
void DashPass(SharedState& state, FileSystem& fileSystem, TidyupHost& host, Test needs,
              Repair repair) {
  const std::size_t total = state.WorkListB.size();
  const PlannedRenames planned(fileSystem, total, [&](std::size_t j) {
    return needs(state.WorkListB[j]) ? &state.WorkListC[j] : nullptr;
  });
  for (std::size_t j = 0; j < total; ++j) {
    ReportProgress(host, TidyupStep::kDash, j, total);
    if (!planned[j]) continue;
    RenameInFolder(state, fileSystem, state.WorkListC[j], repair(state.WorkListB[j]),
                   &state.DashLog);
  }
}

// Renames AllSongs[i] to its folder plus `newName`; AllSongs follows a rename that
// happened and keeps the old path when it was refused.
void RenameListedSong(SharedState& state, FileSystem& fileSystem, std::size_t i,
                      std::string_view newName, TextList* log, LogForm form) {
  if (auto renamed = RenameInFolder(state, fileSystem, state.AllSongs[i], newName, log, form))
    state.AllSongs[i] = std::move(*renamed);
}

// One pass over AllSongs: each song whose file name `needs` the repair is renamed to
// `repair` of it, AllSongs following the renames that happened.
template <typename Test, typename Repair>
void RepairListedSongs(SharedState& state, FileSystem& fileSystem, TidyupHost& host,
                       TidyupStep step, Test needs, Repair repair, TextList& log, LogForm form) {
  const PlannedRenames planned(fileSystem, state.AllSongs.size(), [&](std::size_t i) {
    return needs(FileNameOf(state.AllSongs[i])) ? &state.AllSongs[i] : nullptr;
  });
  for (std::size_t i = 0; i < state.AllSongs.size(); ++i) {
    ReportProgress(host, step, i, state.AllSongs.size());
    if (planned[i])
      RenameListedSong(state, fileSystem, i, repair(FileNameOf(state.AllSongs[i])), &log, form);
  }
}

}  // namespace

void ResetBetweenSteps(SharedState& state) {
  state.IncorrectSongs.clear();
  state.SearchBatch.clear();
  state.LibraryFolders.clear();
  ClearWorkLists(state);
  state.SongSnapshot.clear();
}

void DashStep(SharedState& state, FileSystem& fileSystem, TidyupHost& host) {
  ClearWorkLists(state);
  host.Rescan();
  if (state.AllSongs.empty()) return;
  for (const SongPath& song : state.AllSongs) {
    const std::string_view name = FileNameOf(song);
    if (HasSpacedDash(name)) continue;
    state.WorkListA.emplace_back(FolderOf(song));
    state.WorkListB.emplace_back(name);
    state.WorkListC.push_back(song);
  }
  DashPass(state, fileSystem, host, NeedsSpaceAfterDash, AddSpaceAfterDash);
  DashPass(state, fileSystem, host, NeedsSpaceBeforeDash, AddSpaceBeforeDash);
  DashPass(state, fileSystem, host, NeedsSpacesAroundDashes, SpaceAllDashes);
}

void UnderscoreStep(SharedState& state, FileSystem& fileSystem, TidyupHost& host) {
  ClearWorkLists(state);
  host.Rescan();
  RepairListedSongs(state, fileSystem, host, TidyupStep::kUnderscore, HasUnderscore,
                    ReplaceUnderscores, state.UnderscoreLog, LogForm::kQuoted);
  host.ShowMainMenu();
}

void CapitalisationStep(SharedState& state, FileSystem& fileSystem, TidyupHost& host) {
  ClearWorkLists(state);
  host.Rescan();
  auto startsLower = [](std::string_view name) { return !name.empty() && IsLowerAscii(name[0]); };
  RepairListedSongs(state, fileSystem, host, TidyupStep::kCapitalisation, startsLower,
                    CapitaliseFirstLetter, state.CapitalLog, LogForm::kUnquoted);
  // The word pass sees the names as the first-letter pass left them.
  RepairListedSongs(state, fileSystem, host, TidyupStep::kCapitalisation, HasLowerAfterSpace,
                    CapitaliseAfterSpaces, state.CapitalLog, LogForm::kUnquoted);
}

void BracketStep(SharedState& state, FileSystem& fileSystem, TidyupHost& host) {
  host.Rescan();
  if (state.AllSongs.empty()) {
    host.NoSongsFound();
  } else {
    state.SongSnapshot = state.AllSongs;
    const PlannedRenames planned(fileSystem, state.AllSongs.size(), [&](std::size_t i) {
      return HasAnyBracketNumber(FileNameOf(state.AllSongs[i])) ? &state.AllSongs[i] : nullptr;
    });
    for (std::size_t i = 0; i < state.AllSongs.size(); ++i) {
      ReportProgress(host, TidyupStep::kBracket, i, state.AllSongs.size());
      if (!planned[i]) continue;
      for (int digit = 0; digit <= 9; ++digit) {
        const std::string_view name = FileNameOf(state.AllSongs[i]);
        if (!HasBracketNumber(name, digit)) continue;
        std::string newName = RemoveBracketNumber(name, digit);
        while (HasBracketNumber(newName, digit)) {
          std::string again = RemoveBracketNumber(newName, digit);
          if (again == newName) break;
          newName = std::move(again);
        }
        RenameListedSong(state, fileSystem, i, newName, nullptr, LogForm::kQuoted);
      }
    }
    // One line per song whose path changed, however many renames that took.
    for (std::size_t i = 0; i < state.AllSongs.size(); ++i)
      if (state.AllSongs[i] != state.SongSnapshot[i])
        state.BracketLog.push_back(QuotedRenameLine(state.SongSnapshot[i], state.AllSongs[i]));
  }
  host.ShowMainMenu();
}

void PrefixStep(SharedState& state, FileSystem& fileSystem, TidyupHost& host) {
  ClearWorkLists(state);
  host.Rescan();
  if (!state.AllSongs.empty()) {
    for (const SongPath& song : state.AllSongs)
      if (StartsWithPrefix(FileNameOf(song))) state.WorkListA.push_back(song);
    for (const SongPath& song : state.WorkListA) state.WorkListB.emplace_back(FileNameOf(song));
    for (std::string& name : state.WorkListB) name = StripPrefix(name);
    for (const SongPath& song : state.WorkListA) state.WorkListC.emplace_back(FolderOf(song));
  }
  for (std::size_t i = 0; i < state.WorkListC.size(); ++i)
    state.WorkListD.push_back(state.WorkListC[i] + state.WorkListB[i]);
  const PlannedRenames planned(fileSystem, state.WorkListA.size(),
                               [&](std::size_t i) { return &state.WorkListA[i]; });
  for (std::size_t i = 0; i < state.WorkListC.size(); ++i) {
    ReportProgress(host, TidyupStep::kPrefix, i, state.WorkListC.size());
    if (planned[i])
      RenameInFolder(state, fileSystem, state.WorkListA[i], FileNameOf(state.WorkListD[i]),
                     &state.PrefixLog);
  }
}

void RunTidyup(SharedState& state, FileSystem& fileSystem, TidyupHost& host) {
  for (TextList* log : {&state.PrefixLog, &state.UnderscoreLog, &state.BracketLog,
                        &state.CapitalLog, &state.DashLog})
    log->clear();
  state.RenameFailures.clear();

  InStep(host, TidyupStep::kDash, [&] { DashStep(state, fileSystem, host); });
  host.Rescan();
  ResetBetweenSteps(state);
  InStep(host, TidyupStep::kUnderscore, [&] { UnderscoreStep(state, fileSystem, host); });
  ResetBetweenSteps(state);
  InStep(host, TidyupStep::kCapitalisation, [&] { CapitalisationStep(state, fileSystem, host); });
  ResetBetweenSteps(state);
  InStep(host, TidyupStep::kBracket, [&] { BracketStep(state, fileSystem, host); });
  ResetBetweenSteps(state);
  InStep(host, TidyupStep::kPrefix, [&] { PrefixStep(state, fileSystem, host); });
}

}  // namespace tunewick
