#pragma once

// Taking the identities of files about to be renamed ahead of their renames, on a thread
// of its own, so that a journaled run does not wait on a look-up before every rename.

#include <atomic>
#include <bitset>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system.h"

namespace tunewick {

class IdentityLookahead {
 public:
  explicit IdentityLookahead(const FileSystem& disk) : disk_(disk) {}
  ~IdentityLookahead();
  IdentityLookahead(const IdentityLookahead&) = delete;
  IdentityLookahead& operator=(const IdentityLookahead&) = delete;

  // The files at `paths` are about to be renamed in this order; replaces the paths given
  // before.
  void Expect(std::vector<std::string> paths);

  // The identity taken ahead of the file at `path`, when `path` is among the next paths
  // expected, its identity has been taken, and nothing has been renamed to it since it was
  // expected. Nothing otherwise: then the caller looks for itself.
  std::optional<FileIdentity> Take(const std::string& path);
  // The same, leaving `path` expected.
  std::optional<FileIdentity> Peek(const std::string& path) const;

  // A file was renamed to `path`: an identity taken ahead for it may be out of date.
  void RenamedTo(const std::string& path);

 private:
  struct Batch {
    std::vector<std::string> paths;
    std::vector<std::optional<FileIdentity>> identities;  // filled in order, up to `taken`
    std::atomic<std::size_t> taken = 0;
    std::atomic<bool> dropped = false;
  };

  void TakeIdentities();
  std::optional<std::size_t> IndexOf(const std::string& path) const;
  std::optional<FileIdentity> IdentityAt(std::size_t i) const;

  const FileSystem& disk_;
  std::shared_ptr<Batch> batch_;   // the caller's; the thread holds its own reference
  std::size_t next_ = 0;           // the first path of the batch not passed yet
  mutable std::size_t taken_ = 0;  // how many identities the thread was last seen to have taken
  // The paths renamed to since Expect, by a short hash: a path that shares its hash with
  // one of them is looked at again, which costs a look-up, never a wrong identity.
  std::bitset<1 << 20> renamedTo_;
  bool anyRenamedTo_ = false;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::shared_ptr<Batch> waiting_;  // handed to the thread, not picked up yet
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tunewick
