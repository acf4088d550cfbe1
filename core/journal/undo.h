#pragma once

// Taking a run back from its journal.

#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "journal/journal_store.h"
#include "journal/journal_writer.h"
#include "journal/recorded_run.h"
#include "journal/run_lock.h"

namespace tunewick {

inline constexpr std::string_view kUndoFailuresHeading = "The following could not be renamed back";
inline constexpr std::string_view kChangedSince = "the file was changed or moved since";
inline constexpr std::string_view kOldNameTaken = "the old name is taken";
inline constexpr std::string_view kFolderGone = "its folder is not there";
inline constexpr std::string_view kNoRenameOfARun =
    "the journal holds a rename no Tunewick run makes";

// True when `now` is the file that `recorded` was taken of, also after its disk came back
// under another device number. Where inode numbers do not last, the size and the
// content's fingerprint tell; for a record without a fingerprint (a first-version
// journal), the size and the modification time, which may also be one of `stampedAtNs`
// (times at which a rename may have stamped the file with the clock; zeros are passed
// over).
bool SameFile(const FileIdentity& recorded, const FileIdentity& now,
              std::initializer_list<std::int64_t> stampedAtNs = {});

struct UndoResult {
  std::vector<std::pair<SongPath, SongPath>> renamed;  // the run's new path, its old path
  std::vector<RenameFailure> refused;                  // from the new path to the old one
};

// A path of a journal: one relative to the folder its run was started from (`start`)
// taken from there.
SongPath ResolvedPath(const SongPath& path, const std::string& start);

// True when the folder of `path` holds an entry named exactly as `path` names it, which a
// file system that ignores case may also find under another spelling.
bool IsListedAs(const FileSystem& fileSystem, const SongPath& path);

// True when a Tunewick run can have made the rename: a song renamed within its folder,
// to another name of a song, of any type Tunewick knows (SongTypes::All).
bool IsRenameOfARun(const JournalEntry& entry);

// Renames back, newest first, every rename of the journal that happened, each only when
// it is a rename of a run (any other is refused with kNoRenameOfARun, whoever wrote the
// journal), the file at its new path is the very file renamed and its old path is free.
// A song whose way back is refused keeps the names it had before too. Renames that did
// not happen (a run cut short) and songs already back are passed over, also a song that
// an undo cut short had put back part of its way.
UndoResult ReverseRenames(const Journal& journal, FileSystem& fileSystem);

// How many songs the run renamed (a song renamed several times counts once).
std::size_t SongsRenamed(const Journal& journal);

// What an undo put back, one line each, then what it could not, under their heading.
std::vector<std::string> UndoReportLines(const UndoResult& result);

// An undo that cannot begin: an unknown run, or one undone already.
class UndoRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct UndoRequest {
  std::string name;         // the run to take back
  bool dryRun = false;      // only tell what would be put back
  bool record = true;       // write a journal of the undo itself
  std::string startFolder;  // where the undo was started from
  std::int64_t startedAt = 0;
};

struct UndoReport {
  UndoResult result;
  std::string journal;  // the undo's own journal, when one was written
  std::string damage;   // how the run's journal is damaged: what follows was not undone
  std::string warning;  // something that went wrong after the renames
};

// Takes back a kept run and marks it undone (partly undone when some songs could not be
// renamed back, or its journal is damaged); an undo of an undo puts back the run it had
// taken back. Throws UndoRefused, JournalsUntrusted, RunInProgress while another run holds
// the lock (a dry run needs none), or JournalUnavailable when the undo cannot be recorded.
UndoReport UndoRun(JournalStore& store, FileSystem& disk, const UndoRequest& request);

}  // namespace tunewick
