#pragma once

// One bulk rename at a time. A tidy-up, rename from tags or undo holds the lock of the
// folder its journal is kept in while it renames, so that two runs (of the desktop
// program, of tunewick-cli, or of both) never rename the same songs at once: songs
// renamed by both could be put back by neither. The system lets go of the lock of a
// program that ends however it ends, a crash included, so a lock never outlives its run.

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/journal_file.h"

namespace tunewick {

inline constexpr std::string_view kAnotherRun =
    "another run of Tunewick is renaming songs now: try again once it has ended";

// Another run holds the lock; what() is kAnotherRun.
class RunInProgress : public std::runtime_error {
 public:
  RunInProgress() : std::runtime_error(std::string(kAnotherRun)) {}
};

// Whether another run holds the lock of the runs whose journals are kept in `folder` now,
// where that folder is the user's own. Makes nothing.
bool AnotherRunUnderWay(const std::string& folder);

// For a dry run, which tells what its run would do now: throws RunInProgress while another
// run holds the lock, as its run would.
void RefuseWhileAnotherRuns(const std::string& folder);
// For the dry run of a recorded run: throws JournalUnavailable, as its run would, where that
// run could not be recorded in `folder`, as far as can be told without making anything.
void ForeseeRecording(const std::string& folder);

class RunLock {
 public:
  // Whether a run without the lock may go on: one that is not recorded may, for its
  // journals' folder may be unusable (that is why it is not recorded).
  enum class Need { kRequired, kWherePossible };

  RunLock() = default;  // holds nothing
  // Holds the lock of the runs whose journals are kept in `folder`, making the folder
  // when it is missing. Throws RunInProgress while another holds it. When the folder or
  // its lock cannot be made, or the folder is not the user's own, throws
  // JournalUnavailable where the lock is required, and holds nothing otherwise.
  RunLock(const std::string& folder, Need need);

  bool Holds() const { return held_ != nullptr; }

 private:
  std::unique_ptr<HeldFileLock> held_;
};

}  // namespace tunewick
