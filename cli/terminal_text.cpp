#include "terminal_text.h"

#include <cstdio>

namespace tunewick {
namespace {

constexpr unsigned char kC1Lead = 0xC2;  // U+0080 to U+00BF; U+0080 to U+009F are controls

bool IsC1Follower(unsigned char byte) { return (byte & 0xE0) == 0x80; }

}  // namespace

void AppendVisible(std::string& shown, std::string_view text, LineBreaks lineBreaks) {
  char escape[8];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if ((byte < 0x20 && !(byte == '\n' && lineBreaks == LineBreaks::kKept)) || byte == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      shown += escape;
    } else if (byte == kC1Lead && IsC1Follower(next)) {
      std::snprintf(escape, sizeof escape, "\\u%04X", next);
      shown += escape;
      ++i;
    } else {
      shown += text[i];
    }
  }
}

VisibleTextBuffer::~VisibleTextBuffer() { PassOnHeldByte(); }

VisibleTextBuffer::int_type VisibleTextBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize VisibleTextBuffer::xsputn(const char* text, std::streamsize count) {
  if (count <= 0) return 0;
  std::string_view rest(text, static_cast<std::size_t>(count));
  shown_.clear();
  if (holding_) {
    holding_ = false;
    const char pair[] = {static_cast<char>(kC1Lead), rest.front()};
    const bool control = IsC1Follower(static_cast<unsigned char>(rest.front()));
    AppendVisible(shown_, std::string_view(pair, control ? 2 : 1), LineBreaks::kKept);
    if (control) rest.remove_prefix(1);
  }
  if (!rest.empty() && static_cast<unsigned char>(rest.back()) == kC1Lead) {
    holding_ = true;
    rest.remove_suffix(1);
  }
  AppendVisible(shown_, rest, LineBreaks::kKept);
  const auto length = static_cast<std::streamsize>(shown_.size());
  return target_.sputn(shown_.data(), length) == length ? count : 0;
}

int VisibleTextBuffer::sync() {
  if (!PassOnHeldByte()) return -1;
  return target_.pubsync();
}

bool VisibleTextBuffer::PassOnHeldByte() {
  if (!holding_) return true;
  holding_ = false;
  return target_.sputc(static_cast<char>(kC1Lead)) != traits_type::eof();
}

}  // namespace tunewick
