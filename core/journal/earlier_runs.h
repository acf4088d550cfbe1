#pragma once

// What a run cut short (a crash, a kill, a power cut) leaves behind, put right by the next
// run that holds the lock of the runs, when no other run can be under way.

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "journal/journal_store.h"
#include "platform/file_system.h"

namespace tunewick {

// The names of folders, each folder listed once until a name in it comes or goes: the
// renames of a run ask after many names of one folder.
class ListedNames {
 public:
  explicit ListedNames(const FileSystem& disk) : disk_(disk) {}
  // True when the folder of `path` lists its name.
  bool Lists(const SongPath& path);
  // A name in the folder of `path` came or went.
  void Changed(const SongPath& path);

 private:
  const FileSystem& disk_;
  std::unordered_map<std::string, std::unordered_set<std::string>> folders_;
};

// Where a file system offers no rename that refuses to replace, a rename may make the new
// name a link to the song and then remove the old one (posix_rename.h): cut short in
// between, or failing at the removal (a share whose connection was lost), it leaves the
// song under both names. Removes the new name `to` of the rename `entry`, a rename of a run
// within its folder (IsRenameOfARun), its paths resolved, when it is such a second name: the song
// is under `from` and `to` is the same file, with more than one name, as though the rename had not
// begun; never another file, of the same bytes or not.
void RemoveSecondName(const JournalEntry& entry, const SongPath& from, const SongPath& to,
                      FileSystem& disk, ListedNames& listed);

// Removes the reservations that the renames in flight of the newest run may have left,
// when that run was cut short. Where a file system offers no rename that refuses to
// replace, a rename first makes its new name as an empty file, then renames the song over
// it (posix_rename.h): cut short in between, it leaves that empty file, which a tidy-up
// would take for a song named well, refusing the song itself. Such a file is told by its
// rename record: one without an outcome, whose song is still under its old name, with an
// empty regular file that is not the song under its new name. A change of letter case
// passes a hidden temporary name where case is ignored: cut short, the song is put back
// from there under its old name, and the empty names the change made are removed. A song
// a rename without an outcome or a failed one left under two names keeps only its old one
// (RemoveSecondName). Works through `disk`, a dry run's view too. Throws JournalsUntrusted.
void RemoveReservationsLeft(const JournalStore& store, FileSystem& disk);

// Removes what runs cut short left and packs their journals (PackEarlierJournals), where
// the journals are the user's own. For a run that holds the lock of the runs.
void SettleEarlierRuns(JournalStore& store, FileSystem& disk);
// What SettleEarlierRuns would remove, removed from a dry run's `view`, so that the dry
// run of a recorded run foresees it.
void ForeseeSettling(const JournalStore& store, FileSystem& view);

}  // namespace tunewick
