#include "journal/journal_format.h"

#include <charconv>
#include <cstring>

#include "journal/record_checksum.h"

namespace tunewick {
namespace {

constexpr std::string_view kMagic = "Tunewick journal 3";
constexpr std::string_view kMagicBeforeVersion = "Tunewick journal ";
constexpr std::string_view kOlderMagics[] = {"Tunewick journal 1", "Tunewick journal 2"};
constexpr std::size_t kSealLength = 9;  // a tab and eight hex digits

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The complete lines of `text`; a last line without its newline is left out.
std::vector<std::string_view> CompleteLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string_view::npos;
       start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::optional<RunKind> KindNamed(std::string_view name) {
  for (RunKind kind : {RunKind::kTidyup, RunKind::kTags, RunKind::kUndo})
    if (RunKindName(kind) == name) return kind;
  return std::nullopt;
}

// 1 to kJournalVersion; 0 for what is not a journal.
int VersionOf(const std::vector<std::string_view>& lines) {
  if (lines.empty()) return 0;
  if (lines[0] == kMagic) return kJournalVersion;
  for (std::size_t i = 0; i < std::size(kOlderMagics); ++i)
    if (lines[0] == kOlderMagics[i]) return static_cast<int>(i) + 1;
  return 0;
}

// Eight lower-case hex digits.
void WriteHex(std::uint32_t number, char* digits) {
  constexpr char kDigits[] = "0123456789abcdef";
  for (int shift = 28; shift >= 0; shift -= 4) *digits++ = kDigits[(number >> shift) & 0xF];
}

std::string Sealed(std::string record) {
  SealRecord(record, 0);
  return record;
}

// The record of a line of a journal of `version`, without its checksum; nothing when the
// checksum does not match.
std::optional<std::string_view> RecordOf(std::string_view line, int version) {
  if (version < 3) return line;
  return UnsealedRecord(line);
}

std::optional<RunHeader> HeaderFrom(const std::vector<std::string_view>& lines) {
  const int version = VersionOf(lines);
  const std::optional<std::string_view> record =
      lines.size() < 2 || version == 0 ? std::nullopt : RecordOf(lines[1], version);
  if (!record) return std::nullopt;
  const auto fields = SplitFields(*record);
  RunHeader header;
  header.version = version;
  auto kind = fields.size() == 5 && fields[0] == "run" ? KindNamed(fields[1]) : std::nullopt;
  auto folder = fields.size() == 5 ? UnescapeField(fields[3]) : std::nullopt;
  auto undoes = fields.size() == 5 ? UnescapeField(fields[4]) : std::nullopt;
  if (!kind || !folder || !undoes || !ParseNumber(fields[2], header.startedAt)) return std::nullopt;
  header.kind = *kind;
  header.folder = std::move(*folder);
  header.undoes = std::move(*undoes);
  return header;
}

std::optional<JournalEntry> EntryFrom(const std::vector<std::string_view>& fields, int version) {
  const std::size_t paths = version == 1 ? 7 : 8;  // where FROM is
  if (fields.size() != paths + 2) return std::nullopt;
  JournalEntry entry;
  FileIdentity& id = entry.identity;
  int stable = 0;
  if (!ParseNumber(fields[1], id.device) || !ParseNumber(fields[2], id.inode) ||
      !ParseNumber(fields[3], id.birthNs) || !ParseNumber(fields[4], id.size) ||
      !ParseNumber(fields[5], id.modifiedNs) || !ParseNumber(fields[6], stable) ||
      (version > 1 && !ParseNumber(fields[7], id.fingerprint)))
    return std::nullopt;
  id.inodeStable = stable != 0;
  auto from = UnescapeField(fields[paths]), to = UnescapeField(fields[paths + 1]);
  if (!from || !to) return std::nullopt;
  entry.from = std::move(*from);
  entry.to = std::move(*to);
  return entry;
}

// Adds a record to the journal read so far; false when it does not fit there.
bool TakeRecord(Journal& journal, const std::vector<std::string_view>& fields) {
  const int version = journal.header.version;
  // The entry an outcome record tells of: the one it names by the field at `numberAt`,
  // else the last one; nothing when that one has its outcome already.
  const auto awaiting = [&](std::size_t numberAt) -> JournalEntry* {
    std::size_t number = journal.entries.size();
    if (fields.size() > numberAt && !ParseNumber(fields[numberAt], number)) return nullptr;
    if (number == 0 || number > journal.entries.size()) return nullptr;
    JournalEntry& entry = journal.entries[number - 1];
    return entry.outcome == JournalEntry::Outcome::kUnknown ? &entry : nullptr;
  };
  if (fields[0] == "rename") {
    auto entry = EntryFrom(fields, version);
    if (!entry) return false;
    journal.entries.push_back(std::move(*entry));
  } else if (fields[0] == "done" && version == 1 && fields.size() <= 2) {
    JournalEntry* entry = awaiting(fields.size());
    if (!entry || (fields.size() == 2 && !ParseNumber(fields[1], entry->renamedAtNs))) return false;
    entry->outcome = JournalEntry::Outcome::kDone;
  } else if (fields[0] == "done" && version > 1 && fields.size() <= 2 && awaiting(1)) {
    awaiting(1)->outcome = JournalEntry::Outcome::kDone;
  } else if (fields[0] == "failed" && (fields.size() == 2 || fields.size() == 3) && awaiting(2)) {
    awaiting(2)->outcome = JournalEntry::Outcome::kFailed;
  } else if (fields[0] == "end" && fields.size() == 2) {
    journal.ended = true;
  } else {
    return false;
  }
  return true;
}

template <typename Number>
void AppendNumberField(std::string& out, Number number) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  out += '\t';
  out.append(digits, end);
}

bool NeedsEscape(char c) { return c == '\\' || c == '\t' || c == '\n' || c == '\r'; }

// Nearly every name: memchr looks at many bytes at once, so four of them beat one loop
// over the bytes.
bool NothingToEscape(std::string_view field) {
  for (const char special : {'\\', '\t', '\n', '\r'})
    if (std::memchr(field.data(), special, field.size())) return false;
  return true;
}

void AppendEscaped(std::string& out, std::string_view field) {
  if (NothingToEscape(field)) {
    out += field;
    return;
  }
  // Runs without a character to escape go in whole. The search is a plain loop:
  // find_first_of looks each byte up in the set with a call.
  for (std::size_t start = 0;;) {
    std::size_t special = start;
    while (special < field.size() && !NeedsEscape(field[special])) ++special;
    out.append(field.substr(start, special - start));
    if (special == field.size()) return;
    switch (field[special]) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += "\\r";
    }
    start = special + 1;
  }
}

}  // namespace

void SealRecord(std::string& out, std::size_t start) {
  char seal[kSealLength + 1] = "\t";
  WriteHex(Crc32c(std::string_view(out).substr(start)), seal + 1);
  seal[kSealLength] = '\n';
  out.append(seal, sizeof seal);
}

std::optional<std::string_view> UnsealedRecord(std::string_view line) {
  if (line.size() < kSealLength || line[line.size() - kSealLength] != '\t') return std::nullopt;
  const std::string_view record = line.substr(0, line.size() - kSealLength);
  char expected[kSealLength - 1];
  WriteHex(Crc32c(record), expected);
  if (line.substr(record.size() + 1) != std::string_view(expected, sizeof expected))
    return std::nullopt;
  return record;
}

std::string EscapeField(std::string_view field) {
  std::string escaped;
  escaped.reserve(field.size() + 2);
  AppendEscaped(escaped, field);
  return escaped;
}

std::optional<std::string> UnescapeField(std::string_view field) {
  std::string plain;
  plain.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      plain += field[i];
      continue;
    }
    if (++i == field.size()) return std::nullopt;
    switch (field[i]) {
      case '\\':
        plain += '\\';
        break;
      case 't':
        plain += '\t';
        break;
      case 'n':
        plain += '\n';
        break;
      case 'r':
        plain += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return plain;
}

std::string_view RunKindName(RunKind kind) {
  switch (kind) {
    case RunKind::kTidyup:
      return "tidy-up";
    case RunKind::kTags:
      return "tags";
    case RunKind::kUndo:
      return "undo";
  }
  return "";
}

std::string HeaderRecords(const RunHeader& header) {
  std::string text(kMagic);
  text += '\n';
  const std::size_t start = text.size();
  text += "run\t";
  text += RunKindName(header.kind);
  text += '\t' + std::to_string(header.startedAt) + '\t' + EscapeField(header.folder) + '\t' +
          EscapeField(header.undoes);
  SealRecord(text, start);
  return text;
}

void AppendRenameRecord(std::string& out, const SongPath& from, const SongPath& to,
                        const FileIdentity& id) {
  const std::size_t start = out.size();
  out += "rename";
  for (std::uint64_t number : {id.device, id.inode, id.birthNs, id.size})
    AppendNumberField(out, number);
  AppendNumberField(out, id.modifiedNs);
  out += id.inodeStable ? "\t1" : "\t0";
  AppendNumberField(out, id.fingerprint);
  out += '\t';
  AppendEscaped(out, from);
  out += '\t';
  AppendEscaped(out, to);
  SealRecord(out, start);
}

const std::string& DoneRecord() {
  static const std::string record = Sealed("done");
  return record;
}

std::string FailedRecord(std::string_view reason) {
  return Sealed("failed\t" + EscapeField(reason));
}

std::string DoneRecord(std::size_t number) {
  std::string record;
  AppendDoneRecord(record, number);
  return record;
}

void AppendDoneRecord(std::string& out, std::size_t number) {
  const std::size_t start = out.size();
  out += "done";
  AppendNumberField(out, number);
  SealRecord(out, start);
}

std::string FailedRecord(std::string_view reason, std::size_t number) {
  return Sealed("failed\t" + EscapeField(reason) + '\t' + std::to_string(number));
}

std::string EndRecord(std::size_t renamed) { return Sealed("end\t" + std::to_string(renamed)); }

std::string PackedRecordLine(const PackedRecord& packed) {
  std::string record = "packed";
  AppendNumberField(record, packed.length);
  AppendNumberField(record, packed.checksum);
  AppendNumberField(record, packed.renames);
  return Sealed(std::move(record));
}

std::optional<PackedRecord> ParsePackedRecord(std::string_view head) {
  std::string_view lines[3];
  for (std::string_view& line : lines) {
    const std::size_t end = head.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    line = head.substr(0, end);
    head.remove_prefix(end + 1);
  }
  const std::optional<std::string_view> record = UnsealedRecord(lines[2]);
  if (lines[0] != kMagic || !record) return std::nullopt;
  const auto fields = SplitFields(*record);
  PackedRecord packed;
  if (fields.size() != 4 || fields[0] != "packed" || !ParseNumber(fields[1], packed.length) ||
      !ParseNumber(fields[2], packed.checksum) || !ParseNumber(fields[3], packed.renames))
    return std::nullopt;
  return packed;
}

std::optional<RunHeader> ParseHeader(std::string_view text) {
  return HeaderFrom(CompleteLines(text));
}

std::optional<int> NewerJournalVersion(std::string_view text) {
  const std::size_t end = text.find('\n');
  if (end == std::string_view::npos || !text.starts_with(kMagicBeforeVersion)) return std::nullopt;
  int version = 0;
  if (!ParseNumber(text.substr(kMagicBeforeVersion.size(), end - kMagicBeforeVersion.size()),
                   version) ||
      version <= kJournalVersion)
    return std::nullopt;
  return version;
}

std::optional<std::size_t> ParseEndCount(std::string_view tail, int version) {
  const auto lines = CompleteLines(tail);
  if (lines.empty() || tail.back() != '\n') return std::nullopt;
  const std::optional<std::string_view> record = RecordOf(lines.back(), version);
  if (!record) return std::nullopt;
  const auto fields = SplitFields(*record);
  std::size_t count = 0;
  if (fields.size() != 2 || fields[0] != "end" || !ParseNumber(fields[1], count))
    return std::nullopt;
  return count;
}

std::optional<Journal> ParseJournal(std::string_view text) {
  const auto lines = CompleteLines(text);
  auto header = HeaderFrom(lines);
  if (!header) return std::nullopt;
  Journal journal;
  journal.header = std::move(*header);
  for (std::size_t i = 2; i < lines.size() && !journal.ended; ++i) {
    const std::optional<std::string_view> record = RecordOf(lines[i], journal.header.version);
    if (!record || !TakeRecord(journal, SplitFields(*record))) {
      journal.damaged = true;
      break;
    }
  }
  return journal;
}

}  // namespace tunewick
