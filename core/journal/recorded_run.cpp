#include "journal/recorded_run.h"

#include <atomic>
#include <mutex>
#include <shared_mutex>

#include "journal/earlier_runs.h"
#include "platform/forwarding_file_system.h"

namespace tunewick {

// Passes renames on until stopped, several at once where they are made in several folders
// at once, and counts those made.
class RecordedRun::Gate final : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  std::error_code Rename(const std::string& from, const std::string& to) override {
    return PassOn(from, to, [&] { return disk_.Rename(from, to); });
  }
  std::error_code RenameIdentified(const std::string& from, const std::string& to,
                                   const FileIdentity& identity) override {
    return PassOn(from, to, [&] { return disk_.RenameIdentified(from, to, identity); });
  }

  // Runs `work` once the renames under way are made, while no other is; with `stop`, none
  // is let through after.
  template <typename Work>
  auto Between(Work work, bool stop = false) {
    std::unique_lock lock(mutex_);
    stopped_ = stopped_ || stop;
    return work();
  }

  std::size_t renamed() const { return renamed_; }

 private:
  // `passOn` makes the rename below this gate.
  template <typename PassOnCall>
  std::error_code PassOn(const std::string& from, const std::string& to, PassOnCall passOn) {
    std::shared_lock lock(mutex_);
    if (stopped_) return std::make_error_code(std::errc::operation_canceled);
    const std::error_code outcome = passOn();
    if (!outcome && from != to) ++renamed_;
    return outcome;
  }

  std::shared_mutex mutex_;
  std::atomic<bool> stopped_ = false;     // changed only while no rename is under way
  std::atomic<std::size_t> renamed_ = 0;  // read without the lock
};

namespace {

// The run under way in this process, which an interruption stops.
std::mutex underWayMutex;
RecordedRun* underWay = nullptr;

// A run whose journal could not be written part-way stopped there (RenamesEnded): what it
// did is recorded.
std::string StoppedRunText(RunKind kind, std::size_t renamed, std::error_code cause) {
  const std::string count = std::to_string(renamed);
  const std::string reason = std::generic_category().message(cause.value());
  if (kind == RunKind::kUndo)
    return "Tunewick could not record more of this undo and stopped it after " + count +
           (renamed == 1 ? " rename" : " renames") +
           " back; undoing the run again puts back the rest: " + reason;
  return "Tunewick could not record more of this run and stopped it after " + count +
         (renamed == 1 ? " rename, which can" : " renames, which can") + " be undone: " + reason;
}

}  // namespace

RecordedRun::RecordedRun(JournalStore* store, FileSystem& disk, const RunHeader& header,
                         RunLock held)
    : disk_(disk), header_(header), lock_(std::move(held)) {
  if (store) {
    if (!lock_.Holds()) {
      lock_ = RunLock(store->folder(), RunLock::Need::kRequired);
      SettleEarlierRuns(*store, disk);
    }
    store_.emplace(*store);
    writer_ = store->StartRun(header);
    name_ = writer_->name();
    journaling_ = std::make_unique<JournalingFileSystem>(disk, *writer_);
  }
  gate_ = std::make_unique<Gate>(journaling_ ? *journaling_ : disk_);
  std::lock_guard lock(underWayMutex);
  if (!underWay) underWay = this;
}

RecordedRun::~RecordedRun() {
  std::lock_guard lock(underWayMutex);
  if (underWay == this) underWay = nullptr;
}

FileSystem& RecordedRun::fileSystem() { return *gate_; }

std::size_t RecordedRun::renamed() const { return gate_->renamed(); }

std::string RecordedRun::Finish() {
  return gate_->Between([this] { return FinishJournal(); });
}

std::string RecordedRun::FinishJournal() {
  if (!writer_) return {};
  const bool stopped = writer_->broken() && gate_->renamed() > 0;
  const std::error_code error = writer_->Finish();
  if (error)
    return stopped ? StoppedRunText(header_.kind, gate_->renamed(), error) : error.message();
  if (journalKept_) return {};
  journalKept_ = true;
  if (writer_->renamed() == 0) {
    // It would only push out a journal that can be undone.
    disk_.DeleteFile(store_->JournalPath(name_));
    name_.clear();
    return {};
  }
  if (const std::optional<std::string> packed = writer_->TakePacked())
    store_->KeepPacked(name_, *packed);  // else it is kept as it was written
  store_->Prune(name_);
  return {};
}

std::optional<RecordedRun::Interruption> RecordedRun::InterruptRunUnderWay() {
  std::lock_guard lock(underWayMutex);
  if (!underWay) return std::nullopt;
  RecordedRun& run = *underWay;
  return run.gate_->Between(
      [&run] {
        run.FinishJournal();
        return Interruption{run.header_, run.store_.has_value(), run.gate_->renamed()};
      },
      /*stop=*/true);
}

}  // namespace tunewick
