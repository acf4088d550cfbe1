#pragma once

// Which songs the preview's player is asked to play.

#include <string_view>

namespace tunewick {

// The last three characters of a song path (UTF-8 characters, so that a message can show
// them whole); the whole path when it is shorter.
std::string_view PreviewEnding(std::string_view path);

// True for the songs the preview plays: every type of song the scan may look for
// (SongTypes::All), and MIDI files (".mid"); in any letter case.
bool IsPreviewable(std::string_view path);

}  // namespace tunewick
