#pragma once

// The journal of one bulk rename: a text file, one record per line, fields separated by
// tabs, each record sealed by a last field: its checksum (CRC-32C of the record before that
// tab, in eight lower-case hex digits). Paths keep their exact bytes; a backslash, tab,
// newline or carriage return in a field is written as \\, \t, \n or \r.
//
//   Tunewick journal 3
//   run      KIND  STARTED  FOLDER  UNDOES       KIND tidy-up, tags or undo; STARTED in
//                                                seconds since 1970; UNDOES the run an
//                                                undo takes back, else empty
//   rename   DEVICE INODE BIRTH SIZE MODIFIED STABLE FINGERPRINT FROM TO
//                                                before each rename; FINGERPRINT 0 where
//                                                inode numbers last
//   done     [NUMBER]                            after it, when it happened
//   failed   REASON [NUMBER]                     after it, when it was refused
//   end      COUNT                               at the end of the run: the renames done
//   packed   LENGTH CHECKSUM RENAMES             third, in a journal kept compressed: the
//                                                rest follows packed (packed_journal.h);
//                                                LENGTH and CHECKSUM (CRC-32C) are of the
//                                                whole text, RENAMES as the run's summary
//                                                counts them
//
// A record is written before the rename it announces, so after a crash every rename that
// happened has its "rename" record; those in flight may lack their outcome. An outcome
// tells of the last rename record before it; where renames in several folders were made
// at once and others were announced meanwhile, it names its rename by NUMBER instead, the
// place of its rename record among the journal's rename records, counted from 1. A crash leaves
// at most part of a record after the last whole one (and the zeros of space set aside), no
// newline: any other record that does not hold together is damage.
//
// Journals of the first two versions are read too: their records have no checksum. Those
// of the first have no FINGERPRINT, and where inode numbers do not last a done record may
// say when the rename happened ("done RENAMED", in nanoseconds since 1970).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/song_lists.h"
#include "platform/file_system.h"

namespace tunewick {

std::string EscapeField(std::string_view field);
// Nothing when `field` holds an escape that EscapeField never writes.
std::optional<std::string> UnescapeField(std::string_view field);

enum class RunKind { kTidyup, kTags, kUndo };
std::string_view RunKindName(RunKind kind);  // "tidy-up", "tags", "undo"

inline constexpr int kJournalVersion = 3;

struct RunHeader {
  RunKind kind = RunKind::kTidyup;
  std::int64_t startedAt = 0;     // seconds since 1970
  std::string folder;             // the folder the run was started from
  std::string undoes;             // for an undo: the name of the run it takes back
  int version = kJournalVersion;  // of the journal it was read from
};

struct JournalEntry {
  enum class Outcome { kUnknown, kDone, kFailed };
  SongPath from, to;
  FileIdentity identity;  // of the file, taken just before the rename
  Outcome outcome = Outcome::kUnknown;
  // From a first-version journal where inode numbers do not last: when the rename
  // happened, since the file system may have stamped the file with that time; else 0.
  std::int64_t renamedAtNs = 0;
};

struct Journal {
  RunHeader header;
  std::vector<JournalEntry> entries;
  bool ended = false;  // false: the run was cut short (a crash, a power cut)
  // A record that does not hold together comes before the end: what follows it is not
  // trusted.
  bool damaged = false;
};

// Ends the record that begins at `start` of `out` with its checksum and a newline.
void SealRecord(std::string& out, std::size_t start);
// The record of a line that ends with its checksum (a journal of the third version), less
// the checksum; nothing when the checksum is not right.
std::optional<std::string_view> UnsealedRecord(std::string_view line);

std::string HeaderRecords(const RunHeader& header);
void AppendRenameRecord(std::string& out, const SongPath& from, const SongPath& to,
                        const FileIdentity& identity);
const std::string& DoneRecord();
std::string FailedRecord(std::string_view reason);
// The outcome of the `number`th rename record, wherever it stands.
std::string DoneRecord(std::size_t number);
void AppendDoneRecord(std::string& out, std::size_t number);
std::string FailedRecord(std::string_view reason, std::size_t number);
std::string EndRecord(std::size_t renamed);

// What the packed record of a journal kept compressed says.
struct PackedRecord {
  std::uint64_t length = 0;
  std::uint32_t checksum = 0;
  std::size_t renames = 0;
};
std::string PackedRecordLine(const PackedRecord& packed);
// The packed record, when the journal whose first bytes are `head` is packed.
std::optional<PackedRecord> ParsePackedRecord(std::string_view head);

// Reads a journal. Whatever follows the first incomplete record (the tail a crash may
// leave), or the first that does not hold together (damage), is left out. Nothing when
// the header cannot be read.
std::optional<Journal> ParseJournal(std::string_view text);
// The header alone, from the journal's first bytes.
std::optional<RunHeader> ParseHeader(std::string_view text);
// The version of a journal that a newer version of Tunewick began, from its first line;
// nothing for one of a version read here, or what is not a journal.
std::optional<int> NewerJournalVersion(std::string_view text);
// The COUNT of the end record, when the text (of a journal of `version`) ends with one.
std::optional<std::size_t> ParseEndCount(std::string_view tail, int version);

}  // namespace tunewick
