#pragma once

// The machine's disk as Tunewick meets a slow share: folders read and songs renamed in
// several folders at once, each folder's calls held back for a while of its own, so that
// the folders' work interleaves far from any list's order.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "catalogue/song_lists.h"
#include "catalogue/song_path.h"
#include "platform/forwarding_file_system.h"
#include "tidyup/batch_rename.h"

namespace tunewick::testing {

class StaggeredDisk final : public ForwardingFileSystem {
 public:
  explicit StaggeredDisk(std::size_t atOnce)
      : ForwardingFileSystem(RealFileSystem()), atOnce_(atOnce) {}

  std::size_t FolderReadsAtOnce(const std::string&) const override { return atOnce_; }
  std::size_t FoldersRenamedAtOnce(const std::string&) const override { return atOnce_; }

  // Past `mostReads` folder reads, finds nothing more: a scan running in circles ends.
  FolderListing ListFolder(const std::string& folder) const override {
    if (++reads > mostReads) return {};
    HoldBack(folder);
    return disk_.ListFolder(folder);
  }

  // A dry run asks this before each rename it writes down.
  std::error_code ForeseenRenameRefusal(const std::string& path) const override {
    HoldBack(FolderOf(path));
    return disk_.ForeseenRenameRefusal(path);
  }

  // Keeps the renames made, as log lines, and runs `call` once `renamesBeforeCall` were made.
  std::error_code Rename(const std::string& from, const std::string& to) override {
    // A rename begun once the host stopped the run takes long: a thread that begins
    // another after it does so because the run went on, not because this thread was quick
    // while the one that stops the run waited for a processor.
    if (stopped) {
      ++begunAfterStop;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    HoldBack(FolderOf(from));
    const std::error_code error = disk_.Rename(from, to);
    std::lock_guard lock(mutex_);
    if (error) return error;
    renamed.push_back(QuotedRenameLine(from, to));
    if (renamed.size() == renamesBeforeCall && call) call();
    return error;
  }

  std::size_t mostReads = static_cast<std::size_t>(-1);
  mutable std::atomic<std::size_t> reads = 0;
  std::string slowest;  // the folder whose calls take longest: those whose paths end so
  std::size_t renamesBeforeCall = 0;
  std::function<void()> call;
  std::atomic<bool> stopped = false;  // set by a host that stops the run
  std::atomic<int> begunAfterStop = 0;
  TextList renamed;

 private:
  void HoldBack(std::string_view folder) const {
    const bool slowest = !this->slowest.empty() && folder.ends_with(this->slowest);
    std::this_thread::sleep_for(
        std::chrono::microseconds(slowest ? 3000 : std::hash<std::string_view>()(folder) % 600));
  }

  std::size_t atOnce_;
  std::mutex mutex_;
};

}  // namespace tunewick::testing
