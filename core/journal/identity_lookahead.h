#pragma once

// Taking the identities of files about to be renamed ahead of their renames, on a thread
// of its own, so that a journaled run does not wait on a look-up before every rename.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system.h"

namespace tunewick {

// An identity taken ahead holds only while no other file can have come to its path
// before that path's turn. A file comes to a path only where one left it, since renames
// never replace; so an identity is trusted only when no file has left any path out of
// its turn since it was taken (OutOfTurn), and its path is expected once.
class IdentityLookahead {
 public:
  explicit IdentityLookahead(const FileSystem& disk) : disk_(disk) {}
  ~IdentityLookahead();
  IdentityLookahead(const IdentityLookahead&) = delete;
  IdentityLookahead& operator=(const IdentityLookahead&) = delete;

  // The files at `paths` are about to be renamed in this order; replaces the paths given
  // before.
  void Expect(PathList paths);

  struct Turn {
    bool expected = false;                 // `path` is among the next paths expected
    std::optional<FileIdentity> identity;  // taken ahead and trusted; else look for yourself
  };
  // The turn of the file at `path`, which passes it when it was expected. A file that
  // leaves a path not expected leaves out of its turn.
  Turn Take(std::string_view path);
  // The identity Take would give, leaving `path` expected.
  std::optional<FileIdentity> Peek(std::string_view path) const;

  // A file left a path out of its turn, or was deleted.
  void OutOfTurn();

 private:
  struct Taken {
    std::optional<FileIdentity> identity;
    std::uint64_t generation = 0;  // OutOfTurn calls seen before the look-up began
  };
  struct Batch {
    PathList paths;
    std::vector<Taken> taken;  // filled in order, up to `count`
    std::atomic<std::size_t> count = 0;
    std::atomic<bool> dropped = false;
  };

  void TakeIdentities();
  std::optional<std::size_t> IndexOf(std::string_view path) const;
  std::optional<FileIdentity> IdentityAt(std::size_t i) const;

  const FileSystem& disk_;
  std::shared_ptr<Batch> batch_;     // the caller's; the thread holds its own reference
  std::size_t next_ = 0;             // the first path of the batch not passed yet
  mutable std::size_t counted_ = 0;  // how many identities the thread was last seen to have taken
  std::atomic<std::uint64_t> generation_ = 0;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::shared_ptr<Batch> waiting_;  // handed to the thread, not picked up yet
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tunewick
