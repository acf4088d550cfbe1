#pragma once

// A byte-oriented LZ77 code in the manner of LZ4's block format, for kept journals. The
// code is a row of sequences, each a token byte, then literal bytes, then a match: bytes
// copied from up to 65,535 bytes back in what was decoded so far.
//
//   token     the count of literals in the high four bits, the match's length less 4 in
//             the low four; a 15 there is followed by bytes that add to it, each 255 but
//             the last
//   literals  copied as they are
//   offset    two bytes, least significant first: how far back the match begins (1 on)
//   extra     the bytes that add to the match's length, as above
//
// The last sequence holds only its token and literals, and ends the code.

#include <cstddef>
#include <string>
#include <string_view>

namespace tunewick {

// Appends the code of `bytes` to `out`.
void AppendLz77Code(std::string_view bytes, std::string& out);

// Appends the `length` bytes that `code` stands for to `out`. False when the code does not
// hold together or stands for another length; what it appended then is not to be trusted.
bool AppendLz77Decoded(std::string_view code, std::size_t length, std::string& out);

}  // namespace tunewick
