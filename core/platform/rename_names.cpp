#include "platform/rename_names.h"

#include <unistd.h>
#include <wctype.h>

#include <cctype>
#include <cstdio>

#include "rules/utf8.h"

namespace tunewick {
namespace {

// The locale whose letter cases fold UTF-8 names; null where the system has none, and
// then only ASCII letters fold.
locale_t Utf8Letters() {
  static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return locale;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xc0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3f));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xe0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (c & 0x3f));
  } else {
    out += static_cast<char>(0xf0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (c & 0x3f));
  }
}

// The character of the well-formed UTF-8 sequence at `at`, advancing `at`; nothing (and
// `at` unchanged) when the bytes there are not one.
bool DecodeUtf8(std::string_view text, std::size_t& at, char32_t& c) {
  const std::size_t length = Utf8CharacterLength(text, at);
  if (length == 0) return false;
  const auto lead = static_cast<unsigned char>(text[at]);
  char32_t value = length == 1 ? lead : lead & (0x7f >> length);
  for (std::size_t i = 1; i < length; ++i)
    value = (value << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3f);
  at += length;
  c = value;
  return true;
}

}  // namespace

std::string FoldCase(std::string_view name) {
  std::string folded;
  folded.reserve(name.size());
  const locale_t letters = Utf8Letters();
  for (std::size_t at = 0; at < name.size();) {
    const unsigned char byte = static_cast<unsigned char>(name[at]);
    char32_t c = 0;
    if (byte < 0x80) {
      folded += static_cast<char>(byte >= 'a' && byte <= 'z' ? byte - 'a' + 'A' : byte);
      ++at;
    } else if (letters && DecodeUtf8(name, at, c)) {
      AppendUtf8(folded, static_cast<char32_t>(::towupper_l(static_cast<wint_t>(c), letters)));
    } else {
      folded += static_cast<char>(byte);
      ++at;
    }
  }
  return folded;
}

bool NameTooLong(std::string_view name, bool ignoresCase) {
  if (!ignoresCase || name.size() <= kLongestName) return name.size() > kLongestName;
  std::size_t units = 0;
  for (std::size_t at = 0; at < name.size();) {
    char32_t c = 0;
    if (DecodeUtf8(name, at, c)) {
      units += c >= 0x10000 ? 2 : 1;
    } else {
      ++units;
      ++at;
    }
  }
  return units > kLongestName;
}

bool DiffersOnlyInCase(std::string_view a, std::string_view b) {
  return a != b && FoldCase(a) == FoldCase(b);
}

std::string CaseChangeTemporaryName(unsigned attempt) {
  char name[kTemporaryNameLength + 1];
  std::snprintf(name, sizeof name, ".tunewick-%08x-%02u", static_cast<unsigned>(::getpid()),
                attempt % 100);
  return name;
}

bool IsCaseChangeTemporaryName(std::string_view name) {
  // ".tunewick-", the process number in 8 hexadecimal digits, "-", the try in 2 digits
  constexpr std::string_view kStart = ".tunewick-";
  constexpr std::size_t kTry = kStart.size() + 8 + 1;
  if (name.size() != kTemporaryNameLength || !name.starts_with(kStart) || name[kTry - 1] != '-')
    return false;
  const auto all = [&](std::size_t from, std::size_t to, int (*is)(int)) {
    for (std::size_t i = from; i < to; ++i)
      if (!is(static_cast<unsigned char>(name[i]))) return false;
    return true;
  };
  return all(kStart.size(), kTry - 1, [](int c) { return std::isxdigit(c); }) &&
         all(kTry, name.size(), [](int c) { return std::isdigit(c); });
}

}  // namespace tunewick
