#pragma once

#include <string>
#include <string_view>

namespace tunewick::testing {

// A 128-byte ID3v1 tag with this title and artist (ISO-8859-1 bytes, each up to 30);
// album, year, comment and genre left zero.
inline std::string ID3Tag(std::string_view title, std::string_view artist,
                          std::string_view marker = "TAG") {
  std::string tag(marker);
  tag.append(title).resize(33, '\0');
  tag.append(artist).resize(128, '\0');
  return tag;
}

}  // namespace tunewick::testing
