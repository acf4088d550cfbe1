#include "journal/front_coding.h"

#include <algorithm>
#include <optional>

#include "journal/alike_bytes.h"
#include "journal/journal_format.h"

namespace tunewick {
namespace {

enum Form : char { kAsItStands = 0, kLessChecksum = 1, kUnfinished = 2 };
// What SealRecord appends: a tab, eight hex digits and a newline.
constexpr std::size_t kSealedEnd = 10;

void AppendShared(std::string& out, std::size_t shared) {
  for (; shared >= 0x80; shared >>= 7) out += static_cast<char>((shared & 0x7F) | 0x80);
  out += static_cast<char>(shared);
}

std::size_t SharedLength(std::string_view a, std::string_view b) {
  return AlikeLength(a.data(), b.data(), std::min(a.size(), b.size()));
}

std::size_t SharedEndLength(std::string_view a, std::string_view b) {
  return AlikeLengthBefore(a.data() + a.size(), b.data() + b.size(), std::min(a.size(), b.size()));
}

// Where the field that begins at `at` ends: its tab or newline; npos when there is none.
// A plain loop: find_first_of looks each byte up in the set with a call.
std::size_t FieldEnd(std::string_view code, std::size_t at) {
  while (at < code.size() && code[at] != '\t' && code[at] != '\n') ++at;
  return at < code.size() ? at : std::string_view::npos;
}

bool ReadShared(std::string_view code, std::size_t& at, std::size_t& shared) {
  shared = 0;
  for (int shift = 0; at < code.size() && shift < 64; shift += 7) {
    const auto byte = static_cast<unsigned char>(code[at++]);
    shared |= std::size_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) return true;
  }
  return false;
}

}  // namespace

FrontCodingState::LastLine& FrontCodingState::LastOfKind(std::string_view kind) {
  auto found = lastLines_.find(kind);
  if (found == lastLines_.end()) found = lastLines_.emplace(kind, LastLine()).first;
  return found->second;
}

void FrontCoder::Code(std::string_view text, std::string& out) {
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1)
    CodeLine(text.substr(start, end - start), out);
  if (start == text.size()) return;
  out += kUnfinished;
  out += text.substr(start);
}

void FrontCoder::CodeLine(std::string_view line, std::string& out) {
  const std::optional<std::string_view> record = UnsealedRecord(line);
  out += record ? kLessChecksum : kAsItStands;
  const std::string_view whole = record.value_or(line);
  std::size_t tab = whole.find('\t');
  const std::string_view kind = whole.substr(0, tab);
  out += kind;
  LastLine& last = LastOfKind(kind);
  bounds_.assign(1, {0, 0});
  std::string_view previous = kind;  // the field before, in this line
  while (tab != std::string_view::npos) {
    out += '\t';
    const std::size_t start = tab + 1;
    tab = whole.find('\t', start);
    const std::size_t end = tab == std::string_view::npos ? whole.size() : tab;
    const std::string_view value = whole.substr(start, end - start);
    const std::string_view lastValue = last.Field(bounds_.size());
    const std::size_t withLast = SharedLength(value, lastValue);
    const std::size_t withPrevious = SharedLength(value, previous);
    const bool onPrevious = withPrevious > withLast;
    const std::size_t shared = onPrevious ? withPrevious : withLast;
    const std::string_view source = onPrevious ? previous : lastValue;
    const std::size_t sharedEnd = SharedEndLength(value.substr(shared), source.substr(shared));
    AppendShared(out, shared << 1 | onPrevious);
    AppendShared(out, sharedEnd);
    out += value.substr(shared, value.size() - shared - sharedEnd);
    bounds_.emplace_back(start - kind.size(), end - kind.size());
    previous = value;
  }
  last.text.assign(whole.substr(kind.size()));
  last.fields.swap(bounds_);
  out += '\n';
}

bool FrontDecoder::Decode(std::string_view code, std::string& out, std::size_t longest) {
  const std::size_t start = out.size();
  // Whether `more` bytes fit in what the text may take, before they are appended.
  const auto fits = [&](std::size_t more) { return more <= longest - (out.size() - start); };
  std::size_t at = 0;
  while (at < code.size()) {
    const char form = code[at++];
    if (form == kUnfinished) {
      if (!fits(code.size() - at)) return false;
      out += code.substr(at);
      return true;
    }
    if (form != kAsItStands && form != kLessChecksum) return false;
    const std::size_t lineStart = out.size();
    std::size_t end = FieldEnd(code, at);
    if (end == std::string_view::npos) return false;
    const std::string_view kind = code.substr(at, end - at);
    if (!fits(kind.size())) return false;
    LastLine& last = LastOfKind(kind);
    out += kind;
    const std::size_t kindEnd = out.size();
    bounds_.assign(1, {0, 0});
    std::size_t previousAt = lineStart;  // where the field before begins in `out`
    for (at = end; code[at] == '\t';) {
      std::size_t shared = 0, sharedEnd = 0;
      if (!ReadShared(code, ++at, shared) || !ReadShared(code, at, sharedEnd)) return false;
      end = FieldEnd(code, at);
      if (end == std::string_view::npos) return false;
      const bool onPrevious = shared & 1;
      shared >>= 1;
      const std::string_view lastValue = last.Field(bounds_.size());
      const std::size_t sourceSize = onPrevious ? out.size() - previousAt : lastValue.size();
      if (shared > sourceSize || sharedEnd > sourceSize - shared) return false;
      const std::size_t middle = end - at;
      if (!fits(1 + shared + middle + sharedEnd)) return false;
      // Room first: the field before may be the source, and it lies in `out`.
      out.reserve(out.size() + 1 + shared + middle + sharedEnd);
      const char* const source = onPrevious ? out.data() + previousAt : lastValue.data();
      out += '\t';
      previousAt = out.size();
      out.append(source, shared);
      out.append(code.data() + at, middle);
      out.append(source + sourceSize - sharedEnd, sharedEnd);
      bounds_.emplace_back(previousAt - kindEnd, out.size() - kindEnd);
      at = end;
    }
    last.text.assign(out, kindEnd);
    last.fields.swap(bounds_);
    ++at;  // the newline
    if (!fits(form == kLessChecksum ? kSealedEnd : 1)) return false;
    if (form == kLessChecksum) {
      SealRecord(out, lineStart);
    } else {
      out += '\n';
    }
  }
  return true;
}

}  // namespace tunewick
