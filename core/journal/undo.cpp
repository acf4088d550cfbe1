#include "journal/undo.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>

#include "catalogue/song_path.h"
#include "catalogue/song_types.h"
#include "journal/earlier_runs.h"
#include "platform/dry_run_file_system.h"
#include "platform/rename_names.h"
#include "reports/changed_files.h"
#include "tidyup/batch_rename.h"
#include "tidyup/song_pass.h"

namespace tunewick {

bool SameFile(const FileIdentity& recorded, const FileIdentity& now,
              std::initializer_list<std::int64_t> stampedAtNs) {
  if (recorded.inodeStable && now.inodeStable) {
    if (recorded.inode != now.inode) return false;
    const bool bothBorn = recorded.birthNs != 0 && now.birthNs != 0;
    if (recorded.device == now.device) return !bothBorn || recorded.birthNs == now.birthNs;
    // A device number lasts only while its disk is mounted: a disk plugged in again, or
    // a btrfs volume after another mount took its number, comes back under another with
    // the same inode numbers. There the inode number alone may be another file's, but not
    // with the same time of birth to the nanosecond, or without one, the same size and
    // modification time.
    if (bothBorn) return recorded.birthNs == now.birthNs;
    return recorded.size == now.size && recorded.modifiedNs == now.modifiedNs;
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

SongPath ResolvedPath(const SongPath& path, const std::string& start) {
  return path.empty() || path[0] == '/' || start.empty() ? path : start + "/" + path;
}

bool IsListedAs(const FileSystem& fileSystem, const SongPath& path) {
  const FolderListing listing = fileSystem.ListFolder(std::string(FolderOf(path)));
  const std::string_view name = FileNameOf(path);
  return std::any_of(listing.entries.begin(), listing.entries.end(),
                     [&](const FolderEntry& entry) { return entry.name == name; });
}

bool IsRenameOfARun(const JournalEntry& entry) {
  // Any type a run may have looked for: the user's choice of types may have changed since.
  constexpr SongTypes kAnyType = SongTypes::All();
  // The system would take a path to end at a NUL byte.
  for (const SongPath* path : {&entry.from, &entry.to})
    if (path->find('\0') != std::string::npos || !kAnyType.Include(FileNameOf(*path))) return false;
  return FolderOf(entry.from) == FolderOf(entry.to) && entry.from != entry.to;
}

namespace {

bool IsChangeOfCase(const JournalEntry& entry) {
  return FolderOf(entry.from) == FolderOf(entry.to) &&
         DiffersOnlyInCase(FileNameOf(entry.from), FileNameOf(entry.to));
}

// Where the file a rename moved is now, as far as undo can tell.
struct Whereabouts {
  std::optional<FileIdentity> atNew;  // what is at the rename's new path
  bool isAtNew = false;               // the file renamed is there
  // Looked at only where the file is not at its new path, or renaming it back finds its
  // old path taken.
  bool oldPathTaken = false;             // another file has the rename's old path
  bool isAtOld = false;                  // the file renamed is at its old path
  std::array<std::int64_t, 3> stamps{};  // times that may have stamped the file: see SameFile
};

// What taking back one rename came to.
struct Reversal {
  enum class Outcome { kNone, kRenamedBack, kRefused } outcome = Outcome::kNone;
  std::string reason;  // why it was refused
};

// One undo of a journal's renames, newest first: each folder's in that order, several
// folders at once where the file system advises it.
class RunReversal {
 public:
  RunReversal(const Journal& journal, FileSystem& fileSystem)
      : journal_(journal), fileSystem_(fileSystem), ofARun_(RenamesOfARun(journal)) {}

  UndoResult Run() {
    // A rename that failed part-way may have left its song under its new name as well.
    ListedNames listed(fileSystem_);
    for (const JournalEntry& entry : journal_.entries)
      if (entry.outcome == JournalEntry::Outcome::kFailed && IsRenameOfARun(entry))
        RemoveSecondName(entry, Resolved(entry.from), Resolved(entry.to), fileSystem_, listed);
    std::vector<std::size_t> order;  // the renames to take back, newest first
    for (std::size_t i = journal_.entries.size(); i-- > 0;)
      if (journal_.entries[i].outcome != JournalEntry::Outcome::kFailed) order.push_back(i);
    std::vector<JournalEntry> entries(order.size());  // resolved
    std::vector<Reversal> reversals(order.size());
    bool allWithinFolders = true;
    for (std::size_t k = 0; k < order.size(); ++k) {
      entries[k] = Resolved(journal_.entries[order[k]]);
      allWithinFolders = allWithinFolders && ofARun_[order[k]];
    }
    EarlierRenames();  // before the threads read it
    RunSongPass(
        fileSystem_,
        {.count = order.size(),
         .due = [&](std::size_t k) { return ofARun_[order[k]] ? &entries[k].to : nullptr; },
         .work = [&](std::size_t k) { reversals[k] = Reverse(order[k], entries[k]); },
         .finish =
             [&](std::size_t k) {
               const JournalEntry& entry = entries[k];
               if (reversals[k].outcome == Reversal::Outcome::kRenamedBack)
                 result_.renamed.emplace_back(entry.to, entry.from);
               if (reversals[k].outcome == Reversal::Outcome::kRefused)
                 result_.refused.push_back({entry.to, entry.from, std::move(reversals[k].reason)});
             },
         .before =
             [&](std::size_t k) {
               if (ofARun_[order[k]]) return;
               result_.refused.push_back(
                   {entries[k].to, entries[k].from, std::string(kNoRenameOfARun)});
               Block(entries[k].from);
             },
         // Such a record may reach into another folder: then one at a time.
         .inTurn = !allWithinFolders});
    return std::move(result_);
  }

 private:
  SongPath Resolved(const SongPath& path) const {
    return ResolvedPath(path, journal_.header.folder);
  }
  JournalEntry Resolved(const JournalEntry& recorded) const {
    return {Resolved(recorded.from), Resolved(recorded.to), recorded.identity, recorded.outcome,
            recorded.renamedAtNs};
  }

  // Takes back the `i`-th rename of the journal, `entry` resolved, unless an older name
  // of its song stayed blocked.
  Reversal Reverse(std::size_t i, const JournalEntry& entry) {
    {
      std::lock_guard lock(stateMutex_);
      if (auto held = blocked_.find(entry.to); held != blocked_.end()) {
        blocked_.erase(held);
        blocked_.insert(entry.from);
        return {};
      }
    }
    return PutBack(i, entry);
  }

  Whereabouts Find(const JournalEntry& entry) {
    MovedBack moved{0, 0};
    {
      std::lock_guard lock(stateMutex_);
      if (const auto found = movedBack_.find(entry.to); found != movedBack_.end()) {
        moved = found->second;
        movedBack_.erase(found);
      }
    }
    Whereabouts where;
    where.stamps = {entry.renamedAtNs, moved.modifiedNs, moved.renamedAtNs};
    where.atNew = fileSystem_.IdentifyFile(entry.to);
    where.isAtNew = where.atNew && IsTheFileRenamed(entry, *where.atNew, where);
    if (!where.isAtNew) LookAtOldPath(entry, where);
    return where;
  }

  bool IsTheFileRenamed(const JournalEntry& entry, const FileIdentity& found,
                        const Whereabouts& where) const {
    return SameFile(entry.identity, found, {where.stamps[0], where.stamps[1], where.stamps[2]});
  }

  void LookAtOldPath(const JournalEntry& entry, Whereabouts& where) const {
    if (const std::optional<FileIdentity> atOld = fileSystem_.IdentifyFile(entry.from)) {
      where.isAtOld = IsTheFileRenamed(entry, *atOld, where);
      where.oldPathTaken = !where.isAtOld;
    }
  }

  // After renaming the file back failed: true when another file has its old path.
  bool OldPathTakenByAnother(const JournalEntry& entry, Whereabouts& where) const {
    // A change of letter case put back where inode numbers do not last and case is
    // ignored: the old spelling leads to the song itself (another file there would be at
    // the new spelling too), through a name a FUSE mount may still hold for a moment for
    // what was there before, so reads through it are not trusted.
    if (!where.atNew->inodeStable && IsChangeOfCase(entry) && fileSystem_.IgnoresCase(entry.to))
      return false;
    LookAtOldPath(entry, where);
    return where.oldPathTaken;
  }

  static std::vector<bool> RenamesOfARun(const Journal& journal) {
    std::vector<bool> ofARun(journal.entries.size());
    for (std::size_t i = 0; i < ofARun.size(); ++i) ofARun[i] = IsRenameOfARun(journal.entries[i]);
    return ofARun;
  }

  static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

  // For each rename of the journal, the one that had brought its song to the path it
  // renamed from; kNone for the song's first rename of the run.
  const std::vector<std::size_t>& EarlierRenames() {
    if (!earlier_.empty() || journal_.entries.empty()) return earlier_;
    earlier_.assign(journal_.entries.size(), kNone);
    std::unordered_map<std::string_view, std::size_t> broughtTo;  // path: the rename to it
    broughtTo.reserve(journal_.entries.size());
    for (std::size_t i = 0; i < journal_.entries.size(); ++i) {
      const JournalEntry& entry = journal_.entries[i];
      if (entry.outcome == JournalEntry::Outcome::kFailed || !ofARun_[i]) continue;
      if (const auto before = broughtTo.find(entry.from); before != broughtTo.end()) {
        earlier_[i] = before->second;
        broughtTo.erase(before);
      }
      broughtTo[entry.to] = i;
    }
    return earlier_;
  }

  // True when the song of the `i`-th rename is at one of the names the run had given it
  // before that rename, as an undo cut short (killed, a power cut) leaves a song it had
  // put part of the way back.
  bool IsFurtherBack(std::size_t i, const FileIdentity& identity) {
    const std::vector<std::size_t>& earlier = EarlierRenames();
    for (std::size_t at = earlier[i]; at != kNone; at = earlier[at]) {
      const std::optional<FileIdentity> there =
          fileSystem_.IdentifyFile(Resolved(journal_.entries[at].from));
      if (there && SameFile(identity, *there)) return true;
    }
    return false;
  }

  Reversal PutBack(std::size_t i, const JournalEntry& entry) {
    Whereabouts where = Find(entry);
    if (where.isAtOld && !where.isAtNew) return {};  // never renamed, or back already
    if (!where.isAtNew && IsFurtherBack(i, entry.identity)) return {};
    if (!where.isAtNew) {
      // A new path that cannot be looked at (too long for the system, on a share whose
      // connection was lost) tells nothing of the file: the reason is why not.
      if (const std::error_code unseen = fileSystem_.LookUpError(entry.to);
          unseen && unseen != std::errc::no_such_file_or_directory)
        return Refuse(entry, ErrorText(unseen));
      // A disk not plugged in, a share not mounted, a folder renamed: not a song changed.
      if (!fileSystem_.FolderExists(std::string(FolderOf(entry.to))))
        return Refuse(entry, std::string(kFolderGone));
      return Refuse(entry, std::string(kChangedSince));
    }
    // Renames never replace, so the old path is looked at only when renaming back fails;
    // another file there is the reason given before any the system gives.
    if (const std::error_code error =
            fileSystem_.RenameIdentified(entry.to, entry.from, *where.atNew)) {
      if (OldPathTakenByAnother(entry, where)) return Refuse(entry, std::string(kOldNameTaken));
      // Where case is ignored, a song is found under the new spelling of a change of case
      // also when it has its old one again, or one yet older, as an undo cut short may have
      // left it.
      if (error == std::errc::file_exists && IsChangeOfCase(entry) && IsListedFurtherBack(i, entry))
        return {};
      return Refuse(entry, ErrorText(error));
    }
    if (!where.atNew->inodeStable && entry.identity.fingerprint == 0) {
      std::lock_guard lock(stateMutex_);
      movedBack_[entry.from] = {where.atNew->modifiedNs, WallClockNs()};
    }
    return {Reversal::Outcome::kRenamedBack, {}};
  }

  // True when the folder lists the song of the `i`-th rename, a change of case, under its
  // old spelling or one the run had given it before, which a file system that ignores case
  // finds under the new spelling too.
  bool IsListedFurtherBack(std::size_t i, const JournalEntry& entry) {
    if (IsListedAs(fileSystem_, entry.from)) return true;
    const std::string spelling = FoldCase(FileNameOf(entry.to));
    const std::vector<std::size_t>& earlier = EarlierRenames();
    for (std::size_t at = earlier[i]; at != kNone; at = earlier[at]) {
      const SongPath older = Resolved(journal_.entries[at].from);
      if (FolderOf(older) != FolderOf(entry.to) || FoldCase(FileNameOf(older)) != spelling)
        return false;
      if (IsListedAs(fileSystem_, older)) return true;
    }
    return false;
  }

  Reversal Refuse(const JournalEntry& entry, std::string reason) {
    Block(entry.from);
    return {Reversal::Outcome::kRefused, std::move(reason)};
  }

  void Block(const SongPath& path) {
    std::lock_guard lock(stateMutex_);
    blocked_.insert(path);
  }

  const Journal& journal_;
  FileSystem& fileSystem_;
  const std::vector<bool> ofARun_;  // IsRenameOfARun of each of the journal's renames
  UndoResult result_;
  std::mutex stateMutex_;  // for blocked_ and movedBack_, which threads of several folders share
  // Paths a song should have come back to but did not: the rename that brought it there
  // stays too.
  std::multiset<SongPath> blocked_;
  // Where inode numbers do not last and a first-version journal kept no fingerprints:
  // songs this undo has just renamed back, with their modification time before and the
  // time of that rename, which may have stamped them.
  struct MovedBack {
    std::int64_t modifiedNs, renamedAtNs;
  };
  std::map<SongPath, MovedBack> movedBack_;
  std::vector<std::size_t> earlier_;  // see EarlierRenames; filled when first needed
};

}  // namespace

UndoResult ReverseRenames(const Journal& journal, FileSystem& fileSystem) {
  return RunReversal(journal, fileSystem).Run();
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

std::vector<std::string> UndoReportLines(const UndoResult& result) {
  std::vector<std::string> lines;
  for (const auto& [from, to] : result.renamed) lines.push_back(QuotedRenameLine(from, to));
  if (!result.refused.empty()) {
    if (!lines.empty()) lines.emplace_back();
    lines.emplace_back(kUndoFailuresHeading);
    for (const RenameFailure& failure : result.refused) lines.push_back(FailureLine(failure));
  }
  return lines;
}

UndoReport UndoRun(JournalStore& store, FileSystem& disk, const UndoRequest& request) {
  // Other runs are kept out from before the journal is read.
  RunLock lock;
  if (request.dryRun) {
    RefuseWhileAnotherRuns(store.folder());
    if (request.record) ForeseeRecording(store.folder());
  } else {
    lock = RunLock(store.folder(),
                   request.record ? RunLock::Need::kRequired : RunLock::Need::kWherePossible);
    if (lock.Holds()) SettleEarlierRuns(store, disk);
  }
  const std::optional<RunSummary> summary = store.Summary(request.name);
  if (!summary) throw UndoRefused("there is no run named \"" + request.name + "\" to undo");
  if (summary->newer)
    throw UndoRefused(
        "the run " + request.name +
        " was recorded by a newer version of Tunewick: only that version can undo it");
  if (summary->undoState == UndoState::kUndone)
    throw UndoRefused("the run " + request.name + " was undone already");
  const std::optional<Journal> journal = store.Read(request.name);
  if (!journal) throw UndoRefused("the journal of the run " + request.name + " cannot be read");

  // Taking back an undo puts the run it took back in force again.
  const bool putsRunBack =
      journal->header.kind == RunKind::kUndo && store.Summary(journal->header.undoes);

  UndoReport report;
  if (journal->damaged)
    report.damage = "the journal of the run " + request.name + " is damaged past its first " +
                    std::to_string(journal->entries.size()) +
                    " renames: what follows them is not undone";
  if (request.dryRun) {
    DryRunFileSystem view(disk);
    ForeseeSettling(store, view);
    report.result = ReverseRenames(*journal, view);
    return report;
  }
  RecordedRun run(request.record ? &store : nullptr, disk,
                  {RunKind::kUndo, request.startedAt, request.startFolder, request.name},
                  std::move(lock));
  report.result = ReverseRenames(*journal, run.fileSystem());
  report.warning = run.Finish();
  report.journal = run.name();

  const bool whole = report.result.refused.empty() && report.damage.empty();
  // An undo that put nothing back leaves the run as it stood: it is not "partly undone".
  if (!whole && report.result.renamed.empty()) return report;
  try {
    store.SetUndoState(request.name, whole ? UndoState::kUndone : UndoState::kPartlyUndone,
                       report.journal);
    if (putsRunBack)
      store.SetUndoState(journal->header.undoes,
                         whole ? UndoState::kNotUndone : UndoState::kPartlyUndone, report.journal);
  } catch (const FileError& error) {
    if (report.warning.empty()) report.warning = error.what();
  }
  return report;
}

}  // namespace tunewick
