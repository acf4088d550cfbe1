#include "catalogue/song_types.h"

#include <array>

namespace tunewick {
namespace {

constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// An extension of up to four characters, without its dot, folded to lower case and packed
// into one number: every name of a large library is looked at, so one comparison each.
constexpr std::uint32_t Packed(std::string_view extension) {
  std::uint32_t packed = 0;
  for (char c : extension) packed = (packed << 8) | static_cast<unsigned char>(LowerAscii(c));
  return packed;
}

constexpr auto kPackedExtensions = [] {
  std::array<std::uint32_t, kSongTypeCount> packed{};
  for (std::size_t type = 0; type < kSongTypeCount; ++type)
    packed[type] = Packed(kSongExtensions[type].substr(1));
  return packed;
}();

}  // namespace

bool HasExtension(std::string_view fileName, std::string_view extension) {
  if (fileName.size() < extension.size()) return false;
  const std::string_view tail = fileName.substr(fileName.size() - extension.size());
  for (std::size_t i = 0; i < extension.size(); ++i)
    if (LowerAscii(tail[i]) != LowerAscii(extension[i])) return false;
  return true;
}

int SongTypes::TypeOf(std::string_view fileName) const {
  // Every known extension is three or four characters long.
  const std::size_t size = fileName.size();
  std::size_t dot;
  if (size >= 4 && fileName[size - 4] == '.') {
    dot = size - 4;
  } else if (size >= 5 && fileName[size - 5] == '.') {
    dot = size - 5;
  } else {
    return -1;
  }
  const std::uint32_t extension = Packed(fileName.substr(dot + 1));
  for (std::size_t type = 0; type < kSongTypeCount; ++type)
    if (kPackedExtensions[type] == extension)
      return types_ & (1u << type) ? static_cast<int>(type) : -1;
  return -1;
}

}  // namespace tunewick
