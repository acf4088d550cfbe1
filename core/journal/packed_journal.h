#pragma once

// A finished journal is kept packed: its magic line and run record as they stand, so that
// its header reads as any journal's; then its packed record (journal_format.h); then the
// rest of its text front coded (front_coding.h) and in the LZ77 code (lz77.h), in blocks of
// whole lines, each
//
//   TEXT LENGTH  CHECKSUM  CODED LENGTH  PACKED LENGTH   four bytes each, least significant
//                                                        first; CHECKSUM the CRC-32C of the
//                                                        block's text
//   the LZ77 code of the block's front code
//
// A block is checked on its own, so that damage leaves the text before it to be trusted,
// as a record that does not hold together leaves the records before it.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "journal/front_coding.h"
#include "journal/journal_format.h"

namespace tunewick {

// Packs the text of a journal as it comes, a block at a time on a thread of its own, so
// that a run does not wait for it. Each block is unpacked again and compared with its text:
// a journal is only ever replaced by a packed form that gives back its very text.
class JournalPacker {
 public:
  // `head`: the journal's magic line and run record.
  explicit JournalPacker(std::string head);
  ~JournalPacker();
  JournalPacker(const JournalPacker&) = delete;
  JournalPacker& operator=(const JournalPacker&) = delete;

  // The next records of the journal, whole lines.
  void Add(std::string_view records);
  // The packed journal, for a run whose summary counts `renames`; nothing when it could
  // not be packed.
  std::optional<std::string> Finish(std::size_t renames);

 private:
  void PackBlocks();
  bool Pack(std::string_view block);

  const std::string head_;
  std::string pending_;  // text not handed to the thread yet
  bool finished_ = false;

  // The thread's own.
  FrontCoder coder_;
  FrontDecoder checker_;
  std::string coded_, code_, check_;
  std::string packed_;          // the blocks packed so far
  std::uint64_t length_ = 0;    // of the text packed so far, the head too
  std::uint32_t checksum_ = 0;  // the same
  bool failed_ = false;

  std::mutex mutex_;
  std::condition_variable wake_, room_;
  std::deque<std::string> blocks_;  // to be packed, in order
  bool ending_ = false;
  std::thread thread_;
};

// The packed form of the `text` of a journal of the current version, whose summary counts
// `renames`. Nothing when its header cannot be read or it could not be packed.
std::optional<std::string> PackJournal(std::string_view text, std::size_t renames);

struct UnpackedJournal {
  std::string text;    // as far as it can be trusted
  bool whole = false;  // false: the journal is damaged past `text`
};

// The text of the packed journal `file`: one whose third line begins as a packed record.
// Nothing when it is not packed.
std::optional<UnpackedJournal> UnpackJournal(std::string_view file);

// Reads a kept journal, packed or not (ParseJournal); one whose packed text cannot be
// trusted to its end is damaged past the records read.
std::optional<Journal> ReadKeptJournal(std::string_view file);

}  // namespace tunewick
