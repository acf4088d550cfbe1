#pragma once

#include <string_view>

#include "catalogue/song_lists.h"

namespace tunewick {

// A song is named correctly when its file name, extension included, holds exactly one
// "-": "Artist - Song.mp3" and "Artist-Song.mp3" pass, "Song.mp3" and
// "Artist - Song - Live.mp3" do not.
bool IsNamedCorrectly(std::string_view fileName);

// Lists in IncorrectSongs (emptied first) every song of AllSongs that is not named
// correctly, in AllSongs order.
void ClassifySongs(SongLists& lists);

}  // namespace tunewick
