#include "songtags/latin1_text.h"

#include "rules/utf8.h"

namespace tunewick {
namespace {

std::uint8_t Byte(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string utf8;
  utf8.reserve(bytes.size() * 2);
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const std::uint8_t byte = Byte(bytes, at);
    if (byte < 0x80) {
      utf8 += static_cast<char>(byte);
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

}  // namespace

DeclaredLatin1 FromDeclaredLatin1(std::string_view bytes, bool full) {
  bool severalBytes = false;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = Utf8CharacterLength(bytes, at);
    if (length == 0) {
      if (full && severalBytes && IsCutUtf8Character(bytes, at))
        return {std::string(bytes.substr(0, at)), true};
      return {Latin1ToUtf8(bytes), false};
    }
    severalBytes = severalBytes || length > 1;
    at += length;
  }
  return {std::string(bytes), severalBytes};
}

}  // namespace tunewick
