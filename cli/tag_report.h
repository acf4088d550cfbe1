#pragma once

// What `tunewick-cli tags --show` prints for one song.

#include <iosfwd>
#include <string_view>

#include "songtags/song_tags.h"

namespace tunewick {

// The song's path, then one line each for its title and artist: the text found (control
// characters shown as \xNN or \u00NN), the tag it came from (and the field when it is the
// album artist; whether Latin-1 bytes were read as UTF-8), and why a file name cannot be
// made of it; "none" when no tag holds it, "unreadable" for both when reading failed.
void WriteSongTags(std::ostream& out, std::string_view song, const SongTags& tags);

}  // namespace tunewick
