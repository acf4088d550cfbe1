#pragma once

// Writing the journal of a run as it goes, and the file system that journals every rename
// made through it.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>

#include "journal/identity_lookahead.h"
#include "journal/journal_format.h"
#include "journal/packed_journal.h"
#include "platform/file_system.h"
#include "platform/forwarding_file_system.h"
#include "platform/journal_file.h"

namespace tunewick {

inline constexpr std::string_view kCannotRecord =
    "Tunewick cannot record this run, so it could not be undone: ";

// The journal of a run cannot be written; what() is kCannotRecord followed by the reason.
class JournalUnavailable : public std::runtime_error {
 public:
  explicit JournalUnavailable(const std::string& reason)
      : std::runtime_error(std::string(kCannotRecord) + reason) {}
  // The journals' folder `folder`, or a file in it, cannot be made or written.
  JournalUnavailable(const std::string& folder, std::error_code error)
      : JournalUnavailable("\"" + folder + "\": " + ErrorText(error)) {}
};

// The system clock, in nanoseconds since 1970.
std::int64_t WallClockNs();

// A rename refused because its journal record could not be written: the message is
// kCannotRecord followed by the system's reason.
std::error_code JournalWriteError(std::error_code cause);

// Appends the records of one run to its journal file. Every record reaches the operating
// system before the rename it announces; the file is forced onto the disk at least once
// a second while records come in, and at the end. Renames may be recorded from several
// threads at once. Given the head of the journal (its first records, written already),
// it packs the journal as it goes (packed_journal.h).
class JournalWriter {
 public:
  JournalWriter(std::unique_ptr<AppendOnlyFile> file, std::string name, std::string head = {});
  ~JournalWriter();  // Finish, if not done yet
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  const std::string& name() const { return name_; }
  std::size_t renamed() const {
    std::lock_guard lock(recordMutex_);
    return renamed_;
  }

  // Before a rename; `number` is set to the rename's number in the journal. An error means
  // the record could not be written: do not rename.
  std::error_code BeforeRename(const SongPath& from, const SongPath& to,
                               const FileIdentity& identity, std::size_t& number);
  // After it, with its outcome.
  void AfterRename(std::size_t number, std::error_code outcome);
  // True once a record could not be written: no rename is recorded any more.
  bool broken() const { return brokenFlag_.load(std::memory_order_relaxed); }
  // Writes the end record, forces the journal onto the disk and closes it.
  std::error_code Finish();
  // Once finished without fault: the packed journal, when it is packed.
  std::optional<std::string> TakePacked() { return std::move(packed_); }

 private:
  std::error_code Write(std::string_view records);
  void Break(std::error_code cause);  // no record is written after
  void SyncEverySecond();

  std::unique_ptr<AppendOnlyFile> file_;
  std::string name_;
  mutable std::mutex recordMutex_;  // one thread at a time writes records, from here to finished_
  std::string pending_;             // outcomes, written with the next record
  std::atomic<std::size_t> announced_ = 0;  // rename records written; read without the lock too
  std::size_t renamed_ = 0;
  std::error_code broken_;
  std::atomic<bool> brokenFlag_ = false;  // broken_ set, read without the lock
  bool finished_ = false;
  std::unique_ptr<JournalPacker> packer_;
  std::optional<std::string> packed_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<bool> unsynced_ = false;  // records written since the last forcing
  bool stopping_ = false;
  std::thread syncer_;
};

// Another file system with every rename written to a journal: the record before, the
// outcome after. A rename whose record cannot be written is refused. The identities the
// records need are taken ahead for the renames it is told of. Renames in several folders
// may be made through it at once.
class JournalingFileSystem final : public ForwardingFileSystem {
 public:
  JournalingFileSystem(FileSystem& disk, JournalWriter& journal)
      : ForwardingFileSystem(disk), journal_(journal), lookahead_(disk) {}

  bool RenamesEnded() const override { return journal_.broken() || disk_.RenamesEnded(); }
  bool WantsRenamesAhead() const override { return true; }
  void AboutToRename(PathList paths) override {
    std::lock_guard lock(lookaheadMutex_);
    lookahead_.Expect(std::move(paths));
  }
  std::optional<FileIdentity> IdentifyFile(
      const std::string& path, Fingerprint fingerprint = Fingerprint::kTake) const override;
  std::error_code Rename(const std::string& from, const std::string& to) override {
    return RecordedRename(from, to, nullptr);
  }
  std::error_code RenameIdentified(const std::string& from, const std::string& to,
                                   const FileIdentity& identity) override {
    return RecordedRename(from, to, &identity);
  }
  std::error_code DeleteFile(const std::string& path) override;

 private:
  std::error_code RecordedRename(const std::string& from, const std::string& to,
                                 const FileIdentity* known);

  JournalWriter& journal_;
  mutable std::mutex lookaheadMutex_;
  IdentityLookahead lookahead_;
};

}  // namespace tunewick
