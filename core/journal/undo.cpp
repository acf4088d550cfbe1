#include "journal/undo.h"

#include <map>
#include <set>

#include "catalogue/song_path.h"
#include "platform/dry_run_file_system.h"
#include "platform/rename_names.h"

namespace tunewick {

bool SameFile(const FileIdentity& recorded, const FileIdentity& now,
              std::initializer_list<std::int64_t> stampedAtNs) {
  if (recorded.inodeStable && now.inodeStable) {
    return recorded.device == now.device && recorded.inode == now.inode &&
           (recorded.birthNs == 0 || now.birthNs == 0 || recorded.birthNs == now.birthNs);
  }
  if (recorded.size != now.size) return false;
  if (recorded.fingerprint != 0 && now.fingerprint != 0)
    return recorded.fingerprint == now.fingerprint;
  // FAT keeps modification times to two seconds, and a FUSE mount may first show the
  // finer time it was given and the stored one later.
  constexpr std::int64_t kCoarsestClock = 2'000'000'000;
  auto near = [&](std::int64_t time) {
    return time - now.modifiedNs < kCoarsestClock && now.modifiedNs - time < kCoarsestClock;
  };
  if (near(recorded.modifiedNs)) return true;
  // A stamped time is the clock during the rename, cut down to FAT's two seconds, and the
  // time noted comes after the rename, which a busy machine may take a while over.
  auto stampedNear = [&](std::int64_t time) {
    return now.modifiedNs - time < kCoarsestClock && time - now.modifiedNs < 3 * kCoarsestClock;
  };
  for (std::int64_t stamp : stampedAtNs)
    if (stamp != 0 && stampedNear(stamp)) return true;
  return false;
}

namespace {

bool IsChangeOfCase(const JournalEntry& entry) {
  return FolderOf(entry.from) == FolderOf(entry.to) &&
         DiffersOnlyInCase(FileNameOf(entry.from), FileNameOf(entry.to));
}

}  // namespace

UndoResult ReverseRenames(const Journal& journal, FileSystem& fileSystem) {
  UndoResult result;
  // Paths of a run started elsewhere are taken from the folder it was started from.
  const std::string& startFolder = journal.header.folder;
  auto resolved = [&](const SongPath& path) {
    return path.empty() || path[0] == '/' || startFolder.empty() ? path : startFolder + "/" + path;
  };
  // Paths a song should have come back to but did not: the rename that brought it there
  // stays too.
  std::multiset<SongPath> blocked;
  // Where inode numbers do not last and a first-version journal kept no fingerprints: songs
  // this undo has just renamed back, with their modification time before and the time of
  // that rename, which may have stamped them.
  struct MovedBack {
    std::int64_t modifiedNs, renamedAtNs;
  };
  std::map<SongPath, MovedBack> movedBack;
  auto refuse = [&](const JournalEntry& entry, std::string reason) {
    result.refused.push_back({entry.to, entry.from, std::move(reason)});
    blocked.insert(entry.from);
  };
  if (fileSystem.WantsRenamesAhead()) {
    PathList songs;  // where the songs to be put back are, newest first
    for (auto recorded = journal.entries.rbegin(); recorded != journal.entries.rend(); ++recorded)
      if (recorded->outcome != JournalEntry::Outcome::kFailed) songs.Add(resolved(recorded->to));
    fileSystem.AboutToRename(std::move(songs));
  }
  for (auto recorded = journal.entries.rbegin(); recorded != journal.entries.rend(); ++recorded) {
    if (recorded->outcome == JournalEntry::Outcome::kFailed) continue;
    const JournalEntry resolvedEntry{resolved(recorded->from), resolved(recorded->to),
                                     recorded->identity, recorded->outcome, recorded->renamedAtNs};
    const JournalEntry* entry = &resolvedEntry;
    if (auto held = blocked.find(entry->to); held != blocked.end()) {
      blocked.erase(held);
      blocked.insert(entry->from);
      continue;
    }
    MovedBack moved{0, 0};
    if (const auto found = movedBack.find(entry->to); found != movedBack.end()) {
      moved = found->second;
      movedBack.erase(found);
    }
    const std::initializer_list<std::int64_t> stamps{entry->renamedAtNs, moved.modifiedNs,
                                                     moved.renamedAtNs};
    const std::optional<FileIdentity> atNew = fileSystem.IdentifyFile(entry->to);
    const bool isAtNew = atNew && SameFile(entry->identity, *atNew, stamps);
    // A change of letter case put back where inode numbers do not last and case is
    // ignored: the old spelling leads to the song itself (another file there would be at
    // the new spelling too), through a name a FUSE mount may still hold for a moment for
    // what was there before, so reads through it are not trusted.
    const bool caseBack = isAtNew && !atNew->inodeStable && IsChangeOfCase(*entry) &&
                          fileSystem.IgnoresCase(entry->to);
    const std::optional<FileIdentity> atOld =
        caseBack ? std::nullopt : fileSystem.IdentifyFile(entry->from);
    const bool isAtOld = atOld && SameFile(entry->identity, *atOld, stamps);
    if (isAtOld && !isAtNew) continue;  // never renamed, or back already
    if (!isAtNew) {
      refuse(*entry, std::string(kChangedSince));
    } else if (atOld && !isAtOld) {
      refuse(*entry, std::string(kOldNameTaken));
    } else if (const std::error_code error = fileSystem.Rename(entry->to, entry->from)) {
      refuse(*entry, ErrorText(error));
    } else {
      result.renamed.emplace_back(entry->to, entry->from);
      if (!atNew->inodeStable && entry->identity.fingerprint == 0)
        movedBack[entry->from] = {atNew->modifiedNs, WallClockNs()};
    }
  }
  return result;
}

std::size_t SongsRenamed(const Journal& journal) {
  std::multiset<SongPath> songsAt;  // where the songs renamed so far are now
  std::size_t songs = 0;
  for (const JournalEntry& entry : journal.entries) {
    if (entry.outcome == JournalEntry::Outcome::kFailed) continue;
    if (auto song = songsAt.find(entry.from); song != songsAt.end()) {
      songsAt.erase(song);
    } else {
      ++songs;
    }
    songsAt.insert(entry.to);
  }
  return songs;
}

UndoReport UndoRun(JournalStore& store, FileSystem& disk, const UndoRequest& request) {
  const std::optional<RunSummary> summary = store.Summary(request.name);
  if (!summary) throw UndoRefused("there is no run named \"" + request.name + "\" to undo");
  if (summary->undoState == UndoState::kUndone)
    throw UndoRefused("the run " + request.name + " was undone already");
  const std::optional<Journal> journal = store.Read(request.name);
  if (!journal) throw UndoRefused("the journal of the run " + request.name + " cannot be read");

  UndoReport report;
  if (request.dryRun) {
    DryRunFileSystem view(disk);
    report.result = ReverseRenames(*journal, view);
    return report;
  }
  RecordedRun run(request.record ? &store : nullptr, disk,
                  {RunKind::kUndo, request.startedAt, request.startFolder, request.name});
  report.result = ReverseRenames(*journal, run.fileSystem());
  report.journal = run.name();
  report.warning = run.Finish();

  const bool whole = report.result.refused.empty();
  try {
    store.SetUndoState(request.name, whole ? UndoState::kUndone : UndoState::kPartlyUndone,
                       report.journal);
    // Taking back an undo puts the run it took back in force again.
    if (journal->header.kind == RunKind::kUndo && store.Summary(journal->header.undoes))
      store.SetUndoState(journal->header.undoes,
                         whole ? UndoState::kNotUndone : UndoState::kPartlyUndone, report.journal);
  } catch (const FileError& error) {
    if (report.warning.empty()) report.warning = error.what();
  }
  return report;
}

std::optional<std::string> LatestUndoable(const JournalStore& store) {
  const std::vector<RunSummary> history = store.History();
  for (auto run = history.rbegin(); run != history.rend(); ++run)
    if (run->header.kind != RunKind::kUndo && run->undoState != UndoState::kUndone)
      return run->name;
  return std::nullopt;
}

RecordedRun::RecordedRun(JournalStore* store, FileSystem& disk, const RunHeader& header)
    : disk_(disk) {
  if (!store) return;
  writer_ = store->StartRun(header);
  journaling_ = std::make_unique<JournalingFileSystem>(disk, *writer_);
}

std::string RecordedRun::Finish() {
  if (!writer_) return {};
  const std::error_code error = writer_->Finish();
  return error ? error.message() : std::string();
}

}  // namespace tunewick
