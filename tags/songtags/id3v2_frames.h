#pragma once

// What of an ID3v2 tag is handed to TagLib. TagLib builds an object for every frame of a
// tag, so a damaged or hostile tag of millions of tiny frames would cost it seconds and
// gigabytes; the title and the artist are all Tunewick wants.

#include <cstdint>
#include <functional>
#include <string>

namespace tunewick {

// Up to `count` bytes of a tag from `at` on (counted from its first byte); fewer only where
// the tag, or what may be read of it, ends.
using TagBytes = std::function<std::string(std::uint64_t at, std::size_t count)>;

// A copy of the ID3v2 tag of `length` bytes that `read` gives (header first) that holds only
// its title and artist frames, the first of each: TIT2, TPE1 and TPE2 (TT2, TP1 and TP2 in
// ID3v2.2), in their order, with the same version. Unsynchronisation of a whole ID3v2.2 or 2.3 tag,
// and of ID3v2.4 frames (each its own, or all as the tag's header says), is undone and an extended
// header left out. Text frames that announce UTF-16 with a byte order
// mark but lack it (as some taggers write them, and which TagLib then reads as nothing)
// get one: big-endian where the text's zero bytes say so, else little-endian. Compressed
// frames are inflated here, and the group identifier of a frame of a group is left out. A frame is
// left out when it is empty, when it is longer than 64 KiB, or would inflate to more (far more than
// a file name holds), when it is encrypted or when its data is damaged. Frames end at the padding
// or at the first damaged frame. A tag larger than 16 KiB is read a frame at a time, only the
// wanted ones whole, so that a picture of any size costs nothing; a smaller one, or a whole tag
// unsynchronised, is read in one piece. Empty when the bytes are no ID3v2 tag.
std::string TitleAndArtistFrames(std::uint64_t length, const TagBytes& read);

}  // namespace tunewick
