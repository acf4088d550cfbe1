#pragma once

#include <string>

namespace tunewick {

// ID3v2 text frames that announce UTF-16 (encoding byte 1) must begin with a byte order
// mark; some taggers leave it out, and TagLib then reads nothing. Puts the mark in such
// frames of `tag` (a whole ID3v2 tag, header first): big-endian when the text's zero
// bytes say so, else little-endian, and corrects the frame's and the tag's sizes. Frames
// with frame flags, and tags with unsynchronisation or an extended header, are left as
// they are, and so is everything from the first damaged frame on.
void AddMissingByteOrderMarks(std::string& tag);

}  // namespace tunewick
