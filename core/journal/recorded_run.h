#pragma once

// The runs that rename through a journal: a tidy-up, a rename from tags, an undo.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "journal/journal_format.h"
#include "journal/journal_store.h"
#include "journal/journal_writer.h"
#include "journal/run_lock.h"
#include "platform/file_system.h"

namespace tunewick {

// The file system one bulk rename works through: journaled, unless there is no store
// (the user chose to go on without undo).
class RecordedRun {
 public:
  // Holds the lock of the store's runs and settles what earlier runs cut short left
  // (SettleEarlierRuns), unless the caller holds the lock already (`held`) and has done
  // so; then begins the journal. Throws RunInProgress or JournalUnavailable.
  RecordedRun(JournalStore* store, FileSystem& disk, const RunHeader& header, RunLock held = {});
  ~RecordedRun();
  RecordedRun(const RecordedRun&) = delete;
  RecordedRun& operator=(const RecordedRun&) = delete;

  FileSystem& fileSystem();
  // Ends the journal. One of a run that renamed nothing is removed, else it is kept packed
  // and the store keeps its newest journals. Empty, or the text of what went wrong.
  std::string Finish();
  // The journal's name; empty when there is none.
  const std::string& name() const { return name_; }
  // The renames made.
  std::size_t renamed() const;

  // What a run had done when it was interrupted.
  struct Interruption {
    RunHeader header;
    bool recorded = false;  // a journal holds its renames
    std::size_t renamed = 0;
  };
  // Stops the run under way in this process, if there is one, between two renames (one
  // under way is let finish): nothing is renamed through it any more, and its journal is
  // ended as Finish ends it. For the thread that takes a signal ending the program.
  static std::optional<Interruption> InterruptRunUnderWay();

 private:
  class Gate;
  std::string FinishJournal();

  FileSystem& disk_;
  RunHeader header_;
  RunLock lock_;  // let go of last
  std::optional<JournalStore> store_;
  std::unique_ptr<JournalWriter> writer_;
  std::string name_;
  bool journalKept_ = false;  // Finish has removed or packed it
  std::unique_ptr<JournalingFileSystem> journaling_;
  std::unique_ptr<Gate> gate_;
};

}  // namespace tunewick
