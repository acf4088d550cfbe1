#include "journal/earlier_runs.h"

#include <string>
#include <vector>

#include "catalogue/song_path.h"
#include "journal/undo.h"
#include "platform/rename_names.h"

namespace tunewick {
namespace {

// True when `second` is a second name of the song of `entry` that `path` names too: one
// file, with more than one name; never a copy of the song, of the same bytes or not.
bool IsSecondName(const JournalEntry& entry, const std::string& path, const std::string& second,
                  const FileSystem& disk) {
  // Asked anew: a mount that copied the song up for a link stamped it anew, and may still
  // tell the time it had before under one of the names.
  constexpr auto kAnew = FileSystem::Fingerprint::kTakeAnew;
  const std::optional<FileIdentity> song = disk.IdentifyFile(path, kAnew),
                                    other = disk.IdentifyFile(second, kAnew);
  if (!song || !other || !SameFile(entry.identity, *song) || !SameFile(entry.identity, *other))
    return false;
  // One file: where inode numbers last, SameFile saw the same one under both names; where
  // they do not, one file gives the same bytes and the same time under either. Either way
  // it has another name: a copy of the song has not.
  if (!disk.HasOtherNames(second)) return false;
  return (song->inodeStable && other->inodeStable) ||
         (song->fingerprint != 0 && song->fingerprint == other->fingerprint &&
          song->size == other->size && song->modifiedNs == other->modifiedNs);
}

// A change of letter case where case is ignored moves the song to a temporary name in its
// folder, then to its new name, making each name first as an empty file where no rename
// refuses to replace (posix_rename.h). Cut short in between, the song is under the hidden
// temporary name, perhaps with the empty new name beside it, or an empty temporary name is
// left; a link cut short leaves it under both its old name and the temporary one. Puts the
// song back under its old name, as though the rename had not begun, and removes the empty
// names the change left.
void BringBackFromCaseChange(const JournalEntry& entry, const SongPath& from, const SongPath& to,
                             FileSystem& disk) {
  const std::string folder(FolderOf(from));
  if (!DiffersOnlyInCase(FileNameOf(from), FileNameOf(to))) return;
  const FolderListing listing = disk.ListFolder(folder);
  std::vector<std::string> temporaries;
  for (const FolderEntry& each : listing.entries)
    if (each.isFile && IsCaseChangeTemporaryName(each.name))
      temporaries.push_back(folder + each.name);
  for (const std::string& temporary : temporaries) {
    const std::optional<FileIdentity> there = disk.IdentifyFile(temporary);
    if (!there) continue;
    if (SameFile(entry.identity, *there)) {
      if (IsSecondName(entry, from, temporary, disk)) {
        disk.DeleteFile(temporary);
        continue;
      }
      if (IsListedAs(disk, to))
        if (const std::optional<FileIdentity> atNew = disk.IdentifyFile(to);
            atNew && atNew->size == 0 && disk.FileExists(to))
          disk.DeleteFile(to);
      disk.Rename(temporary, from);
    } else if (there->size == 0) {
      disk.DeleteFile(temporary);
    }
  }
}

}  // namespace

bool ListedNames::Lists(const SongPath& path) {
  const std::string folder(FolderOf(path));
  auto [listed, isNew] = folders_.try_emplace(folder);
  if (isNew) {
    FolderListing listing = disk_.ListFolder(folder);
    for (FolderEntry& entry : listing.entries) listed->second.insert(std::move(entry.name));
  }
  return listed->second.contains(std::string(FileNameOf(path)));
}

void ListedNames::Changed(const SongPath& path) { folders_.erase(std::string(FolderOf(path))); }

void RemoveSecondName(const JournalEntry& entry, const SongPath& from, const SongPath& to,
                      FileSystem& disk, ListedNames& listed) {
  // Two entries of the folder: where case is ignored, two spellings lead to the song itself.
  // Where it is not, a change of case makes a second name as any other rename does (NTFS).
  if ((DiffersOnlyInCase(FileNameOf(from), FileNameOf(to)) && disk.IgnoresCase(from)) ||
      !listed.Lists(from) || !listed.Lists(to))
    return;
  if (IsSecondName(entry, from, to, disk)) {
    disk.DeleteFile(to);
    listed.Changed(to);
  }
}

void RemoveReservationsLeft(const JournalStore& store, FileSystem& disk) {
  const std::optional<Journal> journal = store.NewestCutShort();
  if (!journal) return;
  ListedNames listed(disk);
  for (const JournalEntry& entry : journal->entries) {
    if (entry.outcome == JournalEntry::Outcome::kDone || !IsRenameOfARun(entry)) continue;
    const SongPath from = ResolvedPath(entry.from, journal->header.folder);
    const SongPath to = ResolvedPath(entry.to, journal->header.folder);
    RemoveSecondName(entry, from, to, disk, listed);
    if (entry.outcome == JournalEntry::Outcome::kFailed) continue;
    listed.Changed(from);  // whatever follows may change the folder
    BringBackFromCaseChange(entry, from, to, disk);
    const std::optional<FileIdentity> song = disk.IdentifyFile(from), atNew = disk.IdentifyFile(to);
    // A link has the length of its target as its size, so an empty file there is a file.
    if (song && SameFile(entry.identity, *song) && atNew && atNew->size == 0 &&
        disk.FileExists(to) && !SameFile(entry.identity, *atNew))
      disk.DeleteFile(to);
  }
}

void SettleEarlierRuns(JournalStore& store, FileSystem& disk) {
  try {
    RemoveReservationsLeft(store, disk);
  } catch (const JournalsUntrusted&) {
    return;  // the run refuses to start for it, or undo says so
  }
  store.PackEarlierJournals();
}

void ForeseeSettling(const JournalStore& store, FileSystem& view) {
  try {
    RemoveReservationsLeft(store, view);
  } catch (const JournalsUntrusted&) {
  }
}

}  // namespace tunewick
