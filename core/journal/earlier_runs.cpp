#include "journal/earlier_runs.h"

#include "journal/undo.h"

namespace tunewick {

void RemoveReservationsLeft(const JournalStore& store, FileSystem& disk) {
  const std::optional<Journal> journal = store.NewestCutShort();
  if (!journal) return;
  for (const JournalEntry& entry : journal->entries) {
    if (entry.outcome != JournalEntry::Outcome::kUnknown || !IsRenameOfARun(entry)) continue;
    const SongPath from = ResolvedPath(entry.from, journal->header.folder);
    const SongPath to = ResolvedPath(entry.to, journal->header.folder);
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
