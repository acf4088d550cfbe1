#pragma once

// Which songs the preview's player is asked to play.

#include <string_view>

namespace tunewick {

// The last three characters of a song path (UTF-8 characters, so that a message can show
// them whole); the whole path when it is shorter.
std::string_view PreviewEnding(std::string_view path);

// True for the endings the player knows: "wav", "mp3", "wma" and "mid", case included.
bool IsPreviewable(std::string_view ending);

}  // namespace tunewick
