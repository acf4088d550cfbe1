#include "rules/utf8.h"

#include <cstdint>

namespace tunewick {
namespace {

struct CharacterStart {
  std::size_t length = 0;   // of the whole character; 0 when `at` begins none
  std::size_t present = 0;  // of its bytes, how many are there
};

CharacterStart StartAt(std::string_view bytes, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(at);
  if (lead < 0x80) return {1, 1};
  std::size_t length = 0;
  std::uint8_t lowest = 0x80, highest = 0xBF;  // of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) lowest = 0xA0;   // no overlong form
    if (lead == 0xED) highest = 0x9F;  // no surrogate
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) lowest = 0x90;
    if (lead == 0xF4) highest = 0x8F;  // nothing past U+10FFFF
  } else {
    return {};
  }
  for (std::size_t k = 1; k < length; ++k) {
    if (at + k == bytes.size()) return {length, k};
    const std::uint8_t next = byte(at + k);
    if (k == 1 ? next < lowest || next > highest : (next & 0xC0) != 0x80) return {};
  }
  return {length, length};
}

}  // namespace

std::size_t Utf8CharacterLength(std::string_view bytes, std::size_t at) {
  const CharacterStart start = StartAt(bytes, at);
  return start.present == start.length ? start.length : 0;
}

bool IsCutUtf8Character(std::string_view bytes, std::size_t at) {
  const CharacterStart start = StartAt(bytes, at);
  return start.present < start.length && at + start.present == bytes.size();
}

}  // namespace tunewick
