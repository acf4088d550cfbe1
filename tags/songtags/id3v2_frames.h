#pragma once

// What of an ID3v2 tag is handed to TagLib. TagLib builds an object for every frame of a
// tag, so a damaged or hostile tag of millions of tiny frames would cost it seconds and
// gigabytes; the title and the artist are all Tunewick wants.

#include <string>
#include <string_view>

namespace tunewick {

// A copy of the ID3v2 tag `tag` (header first, as much of it as was read) that holds only
// its title and artist frames: TIT2, TPE1 and TPE2 (TT2, TP1 and TP2 in ID3v2.2), in their
// order, with the same version. Unsynchronisation of a whole ID3v2.2 or 2.3 tag is undone
// and an extended header left out. Text frames that announce UTF-16 with a byte order
// mark but lack it (as some taggers write them, and which TagLib then reads as nothing)
// get one: big-endian where the text's zero bytes say so, else little-endian. Compressed
// frames are inflated here, and left out when that would give more than 64 KiB (far more
// than a file name holds), when they are encrypted or when their data is damaged. Frames
// end at the padding or at the first damaged frame. Empty when `tag` is no ID3v2 tag.
std::string TitleAndArtistFrames(std::string_view tag);

}  // namespace tunewick
