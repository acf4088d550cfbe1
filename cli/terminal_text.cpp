#include "terminal_text.h"

#include <algorithm>
#include <cstdio>

namespace tunewick {
namespace {

// How much of a well-formed UTF-8 character `text` begins with: all of it (`whole`), or as
// much as `text` holds of one; a length of 0 when it begins none.
struct CharacterStart {
  std::size_t length = 0;
  bool whole = false;
};

CharacterStart CharacterAt(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char lowest = 0x80, highest = 0xBF;  // of the second byte
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
  for (std::size_t i = 1; i < length; ++i) {
    if (i == text.size()) return {i, false};
    const unsigned char next = byte(i);
    if (i == 1 ? next < lowest || next > highest : (next & 0xC0) != 0x80) return {};
  }
  return {length, true};
}

}  // namespace

void AppendVisible(std::string& shown, std::string_view text, LineBreaks lineBreaks) {
  char escape[8];
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      if ((byte < 0x20 && !(byte == '\n' && lineBreaks == LineBreaks::kKept)) || byte == 0x7F) {
        std::snprintf(escape, sizeof escape, "\\x%02X", byte);
        shown += escape;
      } else {
        shown += text[i];
      }
      ++i;
      continue;
    }
    const CharacterStart character = CharacterAt(text.substr(i));
    if (character.whole) {
      const auto second = static_cast<unsigned char>(text[i + 1]);
      if (byte == 0xC2 && second <= 0x9F) {  // U+0080 to U+009F: the C1 controls
        std::snprintf(escape, sizeof escape, "\\u%04X", second);
        shown += escape;
      } else {
        shown += text.substr(i, character.length);
      }
      i += character.length;
    } else {
      // A byte that is no part of a character: where bytes are characters (Latin-1), those
      // from 0x80 to 0x9F are the C1 controls.
      if (byte <= 0x9F) {
        std::snprintf(escape, sizeof escape, "\\x%02X", byte);
        shown += escape;
      } else {
        shown += text[i];
      }
      ++i;
    }
  }
}

VisibleTextBuffer::~VisibleTextBuffer() { PassOnHeldBytes(); }

VisibleTextBuffer::int_type VisibleTextBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize VisibleTextBuffer::xsputn(const char* text, std::streamsize count) {
  if (count <= 0) return 0;
  std::string_view rest(text, static_cast<std::size_t>(count));
  std::string joined;
  if (!held_.empty()) {
    joined = held_;
    joined += rest;
    held_.clear();
    rest = joined;
  }
  // A character cut short at the end waits for the rest of its bytes.
  for (std::size_t back = std::min<std::size_t>(3, rest.size()); back > 0; --back) {
    const CharacterStart character = CharacterAt(rest.substr(rest.size() - back));
    if (character.length == back && !character.whole) {
      held_ = rest.substr(rest.size() - back);
      rest.remove_suffix(back);
      break;
    }
  }
  shown_.clear();
  AppendVisible(shown_, rest, LineBreaks::kKept);
  const auto length = static_cast<std::streamsize>(shown_.size());
  return target_.sputn(shown_.data(), length) == length ? count : 0;
}

int VisibleTextBuffer::sync() {
  if (!PassOnHeldBytes()) return -1;
  return target_.pubsync();
}

bool VisibleTextBuffer::PassOnHeldBytes() {
  if (held_.empty()) return true;
  shown_.clear();
  AppendVisible(shown_, held_, LineBreaks::kKept);
  held_.clear();
  const auto length = static_cast<std::streamsize>(shown_.size());
  return target_.sputn(shown_.data(), length) == length;
}

}  // namespace tunewick
