#pragma once

// What every step of the tidy-up shares: how a song is renamed in its own folder and how
// the rename is written down.

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "catalogue/song_lists.h"
#include "platform/file_system.h"

namespace tunewick {

// "'old' was renamed to 'new'"
std::string QuotedRenameLine(std::string_view from, std::string_view to);
// "old was renamed to new"
std::string UnquotedRenameLine(std::string_view from, std::string_view to);

enum class LogForm { kQuoted, kUnquoted };

// What renaming a song within its folder came to.
struct FolderRename {
  enum class Outcome { kPassedOver, kRenamed, kRefused } outcome = Outcome::kPassedOver;
  SongPath from, to;
  std::error_code error;  // why it was refused
};

// Renames `from` to its folder followed by `newName`, never overwriting anything. A song
// that is no longer there (an earlier pass already renamed it) and a name that would not
// change are passed over. Touches nothing but the file system: safe on several threads.
FolderRename RenameWithinFolder(FileSystem& fileSystem, const SongPath& from,
                                std::string_view newName);

// Writes a rename down: one that happened is appended to `log` (when given) in `form`, a
// refused one goes to lists.RenameFailures with the system's reason. Returns the new path
// when the song was renamed, else nothing.
std::optional<SongPath> WriteDown(SongLists& lists, FolderRename rename, TextList* log,
                                  LogForm form = LogForm::kQuoted);

}  // namespace tunewick
