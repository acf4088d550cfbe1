#include "songtags/id3_tag_reader.h"

#include <array>
#include <optional>
#include <string_view>

#include "platform/file_system.h"
#include "songtools/song_correction.h"

namespace tunewick {
namespace {

constexpr std::size_t kTagSize = 128;
constexpr std::size_t kFieldSize = 30;
constexpr std::size_t kTitleOffset = 3;
constexpr std::size_t kArtistOffset = 33;

// ISO-8859-1 maps every byte to the code point of the same number.
std::string Latin1ToUtf8(std::string_view text) {
  std::string utf8;
  utf8.reserve(text.size() * 2);
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

std::string FieldText(std::string_view field) {
  field = field.substr(0, field.find('\0'));
  if (field.find_first_of(kForbiddenNameCharacters) != std::string_view::npos) return {};
  while (!field.empty()) {
    const auto last = static_cast<unsigned char>(field.back());
    if (last < 1 || last > 32) break;
    field.remove_suffix(1);
  }
  return Latin1ToUtf8(field);
}

}  // namespace

ID3Fields ReadID3Tag(const std::string& path) { return ReadID3Tag(RealFileSystem(), path); }

ID3Fields ReadID3Tag(const FileSystem& fileSystem, const std::string& path) {
  const std::optional<std::string> tail = fileSystem.ReadLastBytes(path, kTagSize);
  if (!tail) return {};
  // A file shorter than a tag is read from its start; the rest counts as zero bytes.
  std::array<char, kTagSize> tag{};
  tail->copy(tag.data(), kTagSize);
  const std::string_view bytes(tag.data(), tag.size());
  if (bytes.substr(0, 3) != "TAG") return {};
  ID3Fields fields;
  fields.title = FieldText(bytes.substr(kTitleOffset, kFieldSize));
  fields.artist = FieldText(bytes.substr(kArtistOffset, kFieldSize));
  return fields;
}

}  // namespace tunewick
