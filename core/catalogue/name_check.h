#pragma once

#include <string_view>

#include "catalogue/shared_state.h"

namespace tunewick {

// A song is named correctly when its file name, extension included, holds exactly one
// "-": "Artist - Song.mp3" and "Artist-Song.mp3" pass, "Song.mp3" and
// "Artist - Song - Live.mp3" do not.
bool IsNamedCorrectly(std::string_view fileName);

// Empties the work lists, SearchBatch and IncorrectSongs, then lists in IncorrectSongs
// every song of AllSongs that is not named correctly, in AllSongs order.
void ClassifySongs(SharedState& state);

}  // namespace tunewick
