#include "journal/packed_journal.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "journal/front_coding.h"
#include "journal/journal_format.h"
#include "journal/lz77.h"
#include "journal/record_checksum.h"
#include "platform/held_signals.h"
#include "platform/thread_priority.h"

namespace tunewick {
namespace {

// Large enough that the LZ77 code loses next to nothing at the start of each block.
constexpr std::size_t kBlockText = 1 << 20;
constexpr std::size_t kBlockHeader = 16;
// Blocks handed over and not packed yet, at most: a few, to keep the text held in memory small.
constexpr std::size_t kBlocksWaiting = 4;

void AppendFourBytes(std::string& out, std::uint32_t number) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(number >> shift & 0xFF);
}

std::uint32_t FourBytesAt(std::string_view bytes, std::size_t at) {
  std::uint32_t number = 0;
  for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(bytes[at + i]);
  return number;
}

// Where the line after the first `count` lines of `text` begins; nothing when there are fewer.
std::optional<std::size_t> AfterLines(std::string_view text, int count) {
  std::size_t at = 0;
  for (int line = 0; line < count; ++line) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) return std::nullopt;
    at = end + 1;
  }
  return at;
}

}  // namespace

JournalPacker::JournalPacker(std::string head)
    : head_(std::move(head)), length_(head_.size()), checksum_(Crc32c(head_)) {
  const HeldEndingSignals held;  // the thread never takes them
  thread_ = std::thread([this] { PackBlocks(); });
}

JournalPacker::~JournalPacker() {
  if (!finished_) Finish(0);
}

void JournalPacker::Add(std::string_view records) {
  // A block ends with the first line that reaches kBlockText bytes.
  while (pending_.size() + records.size() >= kBlockText) {
    const std::size_t wanted = kBlockText - std::min(kBlockText, pending_.size() + 1);
    const std::size_t end = records.find('\n', wanted);
    if (end == std::string_view::npos) break;
    pending_ += records.substr(0, end + 1);
    records.remove_prefix(end + 1);
    std::unique_lock lock(mutex_);
    room_.wait(lock, [this] { return blocks_.size() < kBlocksWaiting; });
    blocks_.push_back(std::move(pending_));
    wake_.notify_one();
    pending_.clear();
  }
  pending_ += records;
}

std::optional<std::string> JournalPacker::Finish(std::size_t renames) {
  finished_ = true;
  {
    std::lock_guard lock(mutex_);
    if (!pending_.empty()) blocks_.push_back(std::move(pending_));
    ending_ = true;
  }
  wake_.notify_one();
  thread_.join();
  if (failed_) return std::nullopt;
  std::string packed = head_ + PackedRecordLine({length_, checksum_, renames});
  return packed += packed_;
}

void JournalPacker::PackBlocks() {
  YieldProcessorToOthers();  // the renames come first
  for (;;) {
    std::string block;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return ending_ || !blocks_.empty(); });
      if (blocks_.empty()) return;
      block = std::move(blocks_.front());
      blocks_.pop_front();
    }
    room_.notify_one();
    failed_ = failed_ || !Pack(block);
  }
}

bool JournalPacker::Pack(std::string_view block) {
  coded_.clear();
  coder_.Code(block, coded_);
  code_.clear();
  AppendLz77Code(coded_, code_);
  constexpr std::size_t kLargest = std::numeric_limits<std::uint32_t>::max();
  if (block.size() > kLargest || coded_.size() > kLargest || code_.size() > kLargest) return false;
  check_.clear();
  if (!AppendLz77Decoded(code_, coded_.size(), check_) || check_ != coded_) return false;
  check_.clear();
  if (!checker_.Decode(coded_, check_, block.size()) || check_ != block) return false;
  const std::uint32_t blockChecksum = Crc32c(block);
  for (const std::size_t number :
       {block.size(), std::size_t{blockChecksum}, coded_.size(), code_.size()})
    AppendFourBytes(packed_, static_cast<std::uint32_t>(number));
  packed_ += code_;
  length_ += block.size();
  checksum_ = Crc32c(block, checksum_);
  return true;
}

std::optional<std::string> PackJournal(std::string_view text, std::size_t renames) {
  const std::optional<std::size_t> headEnd = AfterLines(text, 2);
  if (!headEnd) return std::nullopt;
  const std::optional<RunHeader> header = ParseHeader(text.substr(0, *headEnd));
  if (!header || header->version != kJournalVersion) return std::nullopt;
  JournalPacker packer{std::string(text.substr(0, *headEnd))};
  packer.Add(text.substr(*headEnd));
  return packer.Finish(renames);
}

std::optional<UnpackedJournal> UnpackJournal(std::string_view file) {
  const std::optional<std::size_t> headEnd = AfterLines(file, 2);
  if (!headEnd || !file.substr(*headEnd).starts_with("packed\t")) return std::nullopt;
  UnpackedJournal unpacked{std::string(file.substr(0, *headEnd))};
  const std::optional<PackedRecord> record = ParsePackedRecord(file);
  if (!record) return unpacked;  // damaged in its packed record
  FrontDecoder decoder;
  std::string coded;
  std::size_t at = *AfterLines(file, 3);
  while (at + kBlockHeader <= file.size()) {
    const std::uint32_t length = FourBytesAt(file, at), checksum = FourBytesAt(file, at + 4);
    const std::uint32_t codedLength = FourBytesAt(file, at + 8);
    const std::uint32_t codeLength = FourBytesAt(file, at + 12);
    // The packer writes no empty block.
    if (length == 0 || codeLength > file.size() - at - kBlockHeader) break;
    coded.clear();
    if (!AppendLz77Decoded(file.substr(at + kBlockHeader, codeLength), codedLength, coded)) break;
    const std::size_t blockStart = unpacked.text.size();
    if (!decoder.Decode(coded, unpacked.text, length) ||
        unpacked.text.size() - blockStart != length ||
        Crc32c(std::string_view(unpacked.text).substr(blockStart)) != checksum) {
      unpacked.text.resize(blockStart);
      break;
    }
    at += kBlockHeader + codeLength;
  }
  unpacked.whole = at == file.size() && unpacked.text.size() == record->length &&
                   Crc32c(unpacked.text) == record->checksum;
  return unpacked;
}

std::optional<Journal> ReadKeptJournal(std::string_view file) {
  const std::optional<UnpackedJournal> unpacked = UnpackJournal(file);
  if (!unpacked) return ParseJournal(file);
  std::optional<Journal> journal = ParseJournal(unpacked->text);
  if (journal && !unpacked->whole) journal->damaged = true;
  return journal;
}

}  // namespace tunewick
