#include "songtags/latin1_text.h"

namespace tunewick {
namespace {

std::uint8_t Byte(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

// The length of the well-formed UTF-8 character at `at` (no overlong forms, surrogates or
// code points past U+10FFFF); 0 when none starts there, also when it is cut short.
std::size_t CharacterLength(std::string_view bytes, std::size_t at) {
  const std::uint8_t lead = Byte(bytes, at);
  if (lead < 0x80) return 1;
  std::size_t length;
  std::uint8_t low = 0x80, high = 0xBF;  // the second byte's range
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  if (Byte(bytes, at + 1) < low || Byte(bytes, at + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if ((Byte(bytes, at + k) & 0xC0) != 0x80) return 0;
  return length;
}

// True when what is left from `at` on could begin a UTF-8 character that was cut short.
bool IsCutCharacter(std::string_view bytes, std::size_t at) {
  const std::uint8_t lead = Byte(bytes, at);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  if (lead < 0xC2 || lead > 0xF4 || bytes.size() - at >= length) return false;
  for (std::size_t k = at + 1; k < bytes.size(); ++k)
    if ((Byte(bytes, k) & 0xC0) != 0x80) return false;
  return true;
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
    const std::size_t length = CharacterLength(bytes, at);
    if (length == 0) {
      if (full && severalBytes && IsCutCharacter(bytes, at))
        return {std::string(bytes.substr(0, at)), true};
      return {Latin1ToUtf8(bytes), false};
    }
    severalBytes = severalBytes || length > 1;
    at += length;
  }
  return {std::string(bytes), severalBytes};
}

}  // namespace tunewick
