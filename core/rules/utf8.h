#pragma once

// UTF-8 as names and tags hold it, or do not: a character is well formed (no overlong
// form, no surrogate, nothing past U+10FFFF) or the bytes are not UTF-8 there.

#include <cstddef>
#include <string_view>

namespace tunewick {

// The length of the well-formed UTF-8 character at `at` of `bytes`, 1 for ASCII; 0 when
// none starts there, also when it is cut short by the end of `bytes`.
std::size_t Utf8CharacterLength(std::string_view bytes, std::size_t at);

// True when the bytes from `at` to the end of `bytes` are the start of a well-formed UTF-8
// character cut short, as a field that was full or a piece of a longer text may end.
bool IsCutUtf8Character(std::string_view bytes, std::size_t at);

}  // namespace tunewick
