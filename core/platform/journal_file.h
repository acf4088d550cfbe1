#pragma once

// What the journal of a run needs from the operating system: where journals are kept,
// a file that only grows and can be forced to the disk, a file put in place of another,
// reading only the user's own journals, and the folder the program was started from.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_system.h"

namespace tunewick {

// A new file that is only ever appended to. Each Append reaches the operating system
// before it returns, so a crash of the program loses nothing appended; SyncData forces
// it onto the disk. The file is closed on destruction.
class AppendOnlyFile {
 public:
  virtual ~AppendOnlyFile() = default;
  virtual std::error_code Append(std::string_view bytes) = 0;
  virtual std::error_code SyncData() = 0;
};

// Creates `path`, which must not exist yet (file_exists when it does).
std::unique_ptr<AppendOnlyFile> CreateAppendOnlyFile(const std::string& path,
                                                     std::error_code& error);

// Puts `bytes` in place of the file `path` in one step: they go into the file `newPath`
// (made afresh, open to the user only), which is forced onto the disk and then renamed
// over `path`, so that a crash leaves either file whole. On failure `path` stays as it was.
std::error_code ReplaceFileWith(const std::string& path, const std::string& newPath,
                                std::string_view bytes);

// An exclusive lock on a file, held until destroyed, or until the process ends however it
// ends: the system lets go of it then.
class HeldFileLock {
 public:
  virtual ~HeldFileLock() = default;
};

// Locks `path`, creating it (open to the user only) when it is missing. Nothing when the
// file cannot be opened, or when another open of it holds the lock: the error is
// resource_unavailable_try_again then. Waits a moment at most, for a LockHeldElsewhere.
std::unique_ptr<HeldFileLock> LockFile(const std::string& path, std::error_code& error);
// Whether another open of the lock file `path` holds its lock now; false when there is no
// such file. Makes nothing, but holds the lock itself for a moment to find out.
bool LockHeldElsewhere(const std::string& path);

// Tunewick's folder for the journals of its runs: $XDG_STATE_HOME/tunewick, or
// .local/state/tunewick in OwnHomeFolder() when XDG_STATE_HOME is unset, empty or
// relative. Empty when there is no home folder either.
std::string DefaultJournalFolder();

// Why the folder or file at `path` (links followed) is not the running user's own to
// trust: it belongs to another user, or other users may change it. Empty when it is the
// user's own, and when there is nothing there.
std::string WhyNotOwn(const std::string& path);

// Why the running user cannot make files in the existing `folder` (permission_denied,
// read_only_file_system, no_space_on_device when not a block or not a file is left for
// them...); none when they can.
std::error_code WhyFilesCannotBeMadeIn(const std::string& folder);

// Opens a journal to read it, when it is a regular file that is the running user's own.
// Nothing when it cannot be opened or is not a regular file, or is not the user's own:
// `distrust` then says why, as WhyNotOwn does.
std::unique_ptr<ReadableFile> OpenOwnFile(const std::string& path, std::string& distrust);

// The current folder; empty when it cannot be told.
std::string CurrentFolder();

}  // namespace tunewick
