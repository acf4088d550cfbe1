#pragma once

// What the song-list screen offers for its songs: the right-click menu's three entries,
// which act on SelectedSong, and the rename of every listed song from its tags.

#include <QString>
#include <system_error>

#include "app/app_context.h"

namespace tunewick {

// "Fix this name": the correction dialog in place of the main window.
void FixSelectedSong(AppContext& context);
// "Delete this song": after a warning, stops a preview of SelectedSong, deletes the song,
// says how it went and lists the songs that are left.
void DeleteSelectedSong(AppContext& context);
// What to tell the user when a song could not be deleted.
QString DeletionRefusal(std::error_code error);
// "Preview this song": plays SelectedSong in the preview window.
void PreviewSelectedSong(AppContext& context);
// "Fix songs using ID3 tags": renames every incorrectly named song from its tag, under the
// hourglass, and lists what is still named incorrectly.
void FixSongsFromTags(AppContext& context);

}  // namespace tunewick
