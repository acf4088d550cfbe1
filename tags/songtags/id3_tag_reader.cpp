#include "songtags/id3_tag_reader.h"

#include <array>
#include <optional>
#include <string_view>

#include "platform/file_system.h"
#include "songtags/latin1_text.h"

namespace tunewick {
namespace {

constexpr std::size_t kTagSize = 128;
constexpr std::size_t kFieldSize = 30;
constexpr std::size_t kTitleOffset = 3;
constexpr std::size_t kArtistOffset = 33;

TagText FieldText(std::string_view field) {
  field = field.substr(0, field.find('\0'));
  // A writer may have cut the last UTF-8 character of a long text short, at the field's
  // end or at the byte before, which it kept for a zero.
  const bool full = field.size() >= kFieldSize - 1;
  while (!field.empty()) {
    const auto last = static_cast<unsigned char>(field.back());
    if (last < 1 || last > 32) break;
    field.remove_suffix(1);
  }
  if (field.empty()) return {};
  DeclaredLatin1 text = FromDeclaredLatin1(field, full);
  return {std::move(text.utf8), TagKind::kID3v1, text.readAsUtf8};
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
