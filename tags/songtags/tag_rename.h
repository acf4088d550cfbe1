#pragma once

// Renaming every incorrectly named song from its tags.

#include <functional>
#include <utility>
#include <vector>

#include "catalogue/song_lists.h"
#include "platform/file_system.h"

namespace tunewick {

// Runs `refresh` (a scan and a name check that rebuild IncorrectSongs), reads the tags of
// every listed song, then renames each whose tags (ReadSongTags) gave a usable title and
// artist to "artist - title" with its own extension in its own folder, replacing its
// entry by the new path; then runs `refresh` again. Songs without a usable title or artist
// (none, or holding a character file names may not hold, control characters included) are
// skipped, and a rename the file system refuses leaves the song as it was; the final
// refresh lists those songs again. The result tells what happened.
struct TagRenameResult {
  std::vector<std::pair<SongPath, SongPath>> renamed;  // from, to
  std::vector<RenameFailure> refused;
};
TagRenameResult RenameFromTags(SongLists& lists, FileSystem& fileSystem,
                               const std::function<void()>& refresh);

}  // namespace tunewick
