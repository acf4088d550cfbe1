#include "terminal_text.h"

#include <algorithm>
#include <cstdio>

#include "rules/utf8.h"

namespace tunewick {

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
    if (const std::size_t length = Utf8CharacterLength(text, i); length > 0) {
      const auto second = static_cast<unsigned char>(text[i + 1]);
      if (byte == 0xC2 && second <= 0x9F) {  // U+0080 to U+009F: the C1 controls
        std::snprintf(escape, sizeof escape, "\\u%04X", second);
        shown += escape;
      } else {
        shown += text.substr(i, length);
      }
      i += length;
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
    if (IsCutUtf8Character(rest, rest.size() - back)) {
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
