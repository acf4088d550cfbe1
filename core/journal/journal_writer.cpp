#include "journal/journal_writer.h"

#include <chrono>

#include "platform/held_signals.h"

namespace tunewick {
namespace {

class JournalWriteCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "tunewick journal"; }
  std::string message(int code) const override {
    return std::string(kCannotRecord) + std::generic_category().message(code);
  }
};

}  // namespace

std::error_code JournalWriteError(std::error_code cause) {
  static const JournalWriteCategory category;
  return {cause.value(), category};
}

std::int64_t WallClockNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

JournalWriter::JournalWriter(std::unique_ptr<AppendOnlyFile> file, std::string name,
                             std::string head)
    : file_(std::move(file)), name_(std::move(name)) {
  if (!head.empty()) packer_ = std::make_unique<JournalPacker>(std::move(head));
  const HeldEndingSignals held;  // the thread never takes them
  syncer_ = std::thread([this] { SyncEverySecond(); });
}

JournalWriter::~JournalWriter() { Finish(); }

void JournalWriter::SyncEverySecond() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, std::chrono::seconds(1));
    if (!unsynced_.exchange(false)) continue;
    lock.unlock();
    file_->SyncData();  // a failure shows again at the end, where it is reported
    lock.lock();
  }
}

void JournalWriter::Break(std::error_code cause) {
  broken_ = JournalWriteError(cause);
  brokenFlag_ = true;
}

std::error_code JournalWriter::Write(std::string_view records) {
  if (broken_) return broken_;
  if (finished_) return JournalWriteError(std::make_error_code(std::errc::bad_file_descriptor));
  if (std::error_code error = file_->Append(records)) {
    Break(error);
    return broken_;
  }
  if (packer_) packer_->Add(records);
  // Read first: a store on every record would pass the flag's cache line between cores.
  if (!unsynced_.load(std::memory_order_relaxed)) unsynced_.store(true);
  return {};
}

// Records are made before the lock is taken, each thread in a buffer of its own, so that
// renames in several folders at once wait on one another only while records are copied,
// and a rename costs no allocation here.
std::error_code JournalWriter::BeforeRename(const SongPath& from, const SongPath& to,
                                            const FileIdentity& identity, std::size_t& number) {
  thread_local std::string record;
  record.clear();
  AppendRenameRecord(record, from, to, identity);
  std::lock_guard lock(recordMutex_);
  number = announced_.load(std::memory_order_relaxed) + 1;
  announced_.store(number, std::memory_order_relaxed);
  pending_ += record;
  const std::error_code error = Write(pending_);
  pending_.clear();
  return error;
}

void JournalWriter::AfterRename(std::size_t number, std::error_code outcome) {
  // Right after its rename record an outcome needs no number; where another was announced
  // meanwhile, as is likely when renames are made in several folders at once, it does.
  thread_local std::string numbered;
  numbered.clear();
  if (!outcome && number != announced_.load(std::memory_order_relaxed))
    AppendDoneRecord(numbered, number);
  std::lock_guard lock(recordMutex_);
  const bool next = number == announced_.load(std::memory_order_relaxed);
  if (outcome) {
    pending_ += next ? FailedRecord(ErrorText(outcome)) : FailedRecord(ErrorText(outcome), number);
    return;
  }
  ++renamed_;
  if (next) {
    pending_ += DoneRecord();
  } else if (!numbered.empty()) {
    pending_ += numbered;
  } else {
    AppendDoneRecord(pending_, number);
  }
}

std::error_code JournalWriter::Finish() {
  std::lock_guard lock(recordMutex_);
  if (finished_) return broken_;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  syncer_.join();
  std::string records = std::move(pending_);
  records += EndRecord(renamed_);
  if (!Write(records)) {
    if (std::error_code error = file_->SyncData()) Break(error);
  }
  finished_ = true;
  file_.reset();
  if (packer_ && !broken_) packed_ = packer_->Finish(renamed_);
  return broken_;
}

// Where inode numbers do not last, a file is known by its content, and a path may hold for
// a moment the empty reservation a rename to it makes (see posix_rename.h): there only a
// look-up at the time will do (and the look-ahead takes none).
std::optional<FileIdentity> JournalingFileSystem::IdentifyFile(const std::string& path,
                                                               Fingerprint fingerprint) const {
  std::optional<FileIdentity> ahead;
  {
    std::lock_guard lock(lookaheadMutex_);
    ahead = lookahead_.Peek(path);
  }
  if (ahead && ahead->inodeStable) return ahead;
  return disk_.IdentifyFile(path, fingerprint);
}

std::error_code JournalingFileSystem::RecordedRename(const std::string& from, const std::string& to,
                                                     const FileIdentity* known) {
  if (from == to) return disk_.Rename(from, to);
  IdentityLookahead::Turn turn;
  {
    std::lock_guard lock(lookaheadMutex_);
    turn = lookahead_.Take(from);
  }
  std::optional<FileIdentity> identity = turn.identity;
  // Where inode numbers do not last, only a look-up at the time will do (see IdentifyFile).
  if (!identity && known && known->inodeStable) identity = *known;
  if (!identity) identity = disk_.IdentifyFile(from);
  if (!identity) {
    // Nothing there to rename, or it cannot be looked at: the rename would be refused too.
    const std::error_code absent = disk_.LookUpError(from);
    return absent ? absent : std::make_error_code(std::errc::permission_denied);
  }
  std::size_t number = 0;
  if (std::error_code error = journal_.BeforeRename(from, to, *identity, number)) return error;
  const std::error_code outcome = disk_.Rename(from, to);
  journal_.AfterRename(number, outcome);
  if (!outcome && !turn.expected) lookahead_.OutOfTurn();
  return outcome;
}

std::error_code JournalingFileSystem::DeleteFile(const std::string& path) {
  const std::error_code outcome = disk_.DeleteFile(path);
  if (!outcome) lookahead_.OutOfTurn();
  return outcome;
}

}  // namespace tunewick
