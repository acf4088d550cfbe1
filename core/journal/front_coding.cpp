#include "journal/front_coding.h"

#include <algorithm>
#include <optional>

#include "journal/journal_format.h"

namespace tunewick {
namespace {

enum Form : char { kAsItStands = 0, kLessChecksum = 1, kUnfinished = 2 };

void AppendShared(std::string& out, std::size_t shared) {
  for (; shared >= 0x80; shared >>= 7) out += static_cast<char>((shared & 0x7F) | 0x80);
  out += static_cast<char>(shared);
}

std::size_t SharedLength(std::string_view a, std::string_view b) {
  return std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
}

std::size_t SharedEndLength(std::string_view a, std::string_view b) {
  return std::mismatch(a.rbegin(), a.rend(), b.rbegin(), b.rend()).first - a.rbegin();
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

std::vector<std::string>& FrontCodingState::LastOfKind(std::string_view kind) {
  auto found = lastLines_.find(kind);
  if (found == lastLines_.end()) found = lastLines_.emplace(kind, std::vector<std::string>()).first;
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
  std::string_view rest = record.value_or(line);
  std::size_t tab = rest.find('\t');
  const std::string_view kind = rest.substr(0, tab);
  out += kind;
  std::vector<std::string>& last = LastOfKind(kind);
  std::size_t field = 0;
  std::string_view previous = kind;  // the field before, in this line
  while (tab != std::string_view::npos) {
    out += '\t';
    rest.remove_prefix(tab + 1);
    tab = rest.find('\t');
    const std::string_view value = rest.substr(0, tab);
    if (++field >= last.size()) last.resize(field + 1);
    const std::size_t withLast = SharedLength(value, last[field]);
    const std::size_t withPrevious = SharedLength(value, previous);
    const bool onPrevious = withPrevious > withLast;
    const std::size_t shared = onPrevious ? withPrevious : withLast;
    const std::string_view source = onPrevious ? previous : std::string_view(last[field]);
    const std::size_t end = SharedEndLength(value.substr(shared), source.substr(shared));
    AppendShared(out, shared << 1 | onPrevious);
    AppendShared(out, end);
    out += value.substr(shared, value.size() - shared - end);
    last[field].assign(value);
    previous = value;
  }
  last.resize(field + 1);
  out += '\n';
}

bool FrontDecoder::Decode(std::string_view code, std::string& out) {
  std::size_t at = 0;
  while (at < code.size()) {
    const char form = code[at++];
    if (form == kUnfinished) {
      out += code.substr(at);
      return true;
    }
    if (form != kAsItStands && form != kLessChecksum) return false;
    const std::size_t lineStart = out.size();
    std::size_t end = FieldEnd(code, at);
    if (end == std::string_view::npos) return false;
    std::vector<std::string>& last = LastOfKind(code.substr(at, end - at));
    out += code.substr(at, end - at);
    std::size_t field = 0, previousAt = lineStart;  // where the field before begins in `out`
    for (at = end; code[at] == '\t';) {
      std::size_t shared = 0, sharedEnd = 0;
      if (!ReadShared(code, ++at, shared) || !ReadShared(code, at, sharedEnd)) return false;
      end = FieldEnd(code, at);
      if (++field >= last.size()) last.resize(field + 1);
      std::string& value = last[field];
      const bool onPrevious = shared & 1;
      shared >>= 1;
      const std::string_view source =
          onPrevious ? std::string_view(out).substr(previousAt) : std::string_view(value);
      if (end == std::string_view::npos || shared > source.size() ||
          sharedEnd > source.size() - shared)
        return false;
      decoded_.assign(source.substr(0, shared));
      decoded_ += code.substr(at, end - at);
      decoded_ += source.substr(source.size() - sharedEnd);
      value.swap(decoded_);
      out += '\t';
      previousAt = out.size();
      out += value;
      at = end;
    }
    last.resize(field + 1);
    ++at;  // the newline
    if (form == kLessChecksum) {
      SealRecord(out, lineStart);
    } else {
      out += '\n';
    }
  }
  return true;
}

}  // namespace tunewick
