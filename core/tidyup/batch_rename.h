#pragma once

// What every step of the tidy-up shares: how a song is renamed in its own folder and how
// the rename is written down.

#include <optional>
#include <string>
#include <string_view>

#include "catalogue/song_lists.h"
#include "platform/file_system.h"

namespace tunewick {

// "'old' was renamed to 'new'"
std::string QuotedRenameLine(std::string_view from, std::string_view to);
// "old was renamed to new"
std::string UnquotedRenameLine(std::string_view from, std::string_view to);

enum class LogForm { kQuoted, kUnquoted };

// Renames `from` to its folder followed by `newName`, never overwriting anything.
// A rename that happened is appended to `log` (when given) in `form`; a refused one
// goes to lists.RenameFailures with the system's reason. A song that is no longer
// there (an earlier pass already renamed it) and a name that would not change are
// skipped silently. Returns the new path when the song was renamed, else nothing.
std::optional<SongPath> RenameInFolder(SongLists& lists, FileSystem& fileSystem,
                                       const SongPath& from, std::string_view newName,
                                       TextList* log, LogForm form = LogForm::kQuoted);

}  // namespace tunewick
