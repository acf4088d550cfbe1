#pragma once

#include <string>
#include <string_view>

#include "support/tag_bytes.h"

namespace tunewick::testing {

// A 128-byte ID3v1 tag with this title and artist (ISO-8859-1 bytes, each up to 30).
inline std::string ID3Tag(std::string_view title, std::string_view artist,
                          std::string_view marker = "TAG") {
  return testing::ID3v1Tag(title, artist, marker);
}

}  // namespace tunewick::testing
