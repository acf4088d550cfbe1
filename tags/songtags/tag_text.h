#pragma once

// What every tag reader makes of TagLib's texts.

#include <taglib/tstring.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>

#include "songtags/modern_tags.h"

namespace tunewick {

inline bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t\n\v\f\r") == std::string_view::npos;
}

// A multi-value field is cut at its first value; a zero character ends a value too.
inline std::string Utf8(const TagLib::String& value) {
  std::string text = value.to8Bit(true);
  text.resize(std::min(text.size(), text.find('\0')));
  return text;
}

// The first candidate holding more than white space, else nothing.
inline TagText FirstOf(std::initializer_list<std::string> candidates, TagKind from) {
  for (const std::string& candidate : candidates)
    if (!IsBlank(candidate)) return {candidate, from};
  return {};
}

// Per field, the text of `first` where it holds one, else that of `second`.
inline TagText Either(TagText first, TagText second) {
  return first.from != TagKind::kNone ? first : second;
}
inline ModernTags Either(const ModernTags& first, const ModernTags& second) {
  return {Either(first.title, second.title), Either(first.artist, second.artist),
          Either(first.albumArtist, second.albumArtist)};
}

}  // namespace tunewick
