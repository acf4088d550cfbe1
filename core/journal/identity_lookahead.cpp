#include "journal/identity_lookahead.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_set>

#include "platform/held_signals.h"

namespace tunewick {
namespace {

// How far past the next expected path a rename is still looked for: now and then a caller
// leaves out a rename it expected, such as one to the name the file already has.
constexpr std::size_t kPassable = 8;
// How far ahead of the renames the memory of their paths and identities is asked for: the
// identities were written on another core, and both lists are too long to stay in cache.
constexpr std::size_t kFetchedAhead = 16;

}  // namespace

IdentityLookahead::~IdentityLookahead() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (batch_) batch_->dropped = true;
  }
  wake_.notify_all();
  thread_.join();
}

void IdentityLookahead::Expect(PathList paths) {
  if (batch_) batch_->dropped = true;
  next_ = 0;
  counted_ = 0;
  batch_ = std::make_shared<Batch>();
  batch_->taken.resize(paths.size());
  batch_->paths = std::move(paths);
  {
    std::lock_guard lock(mutex_);
    waiting_ = batch_;
  }
  if (!thread_.joinable()) {
    const HeldEndingSignals held;  // the thread never takes them
    thread_ = std::thread([this] { TakeIdentities(); });
  }
  wake_.notify_one();
}

IdentityLookahead::Turn IdentityLookahead::Take(std::string_view path) {
  const std::optional<std::size_t> at = IndexOf(path);
  if (!at) return {};
  next_ = *at + 1;
  if (const std::size_t ahead = next_ + kFetchedAhead; ahead < batch_->paths.size()) {
    __builtin_prefetch(&batch_->taken[ahead]);
    __builtin_prefetch(batch_->paths[ahead].data());
  }
  return {true, IdentityAt(*at)};
}

std::optional<FileIdentity> IdentityLookahead::Peek(std::string_view path) const {
  const std::optional<std::size_t> at = IndexOf(path);
  return at ? IdentityAt(*at) : std::nullopt;
}

void IdentityLookahead::OutOfTurn() {
  // After the change on disk: a look-up that sees the new count began after it.
  generation_.fetch_add(1, std::memory_order_acq_rel);
}

std::optional<std::size_t> IdentityLookahead::IndexOf(std::string_view path) const {
  if (!batch_) return std::nullopt;
  const PathList& paths = batch_->paths;
  const std::size_t end = std::min(paths.size(), next_ + kPassable);
  for (std::size_t i = next_; i < end; ++i)
    if (paths[i] == path) return i;
  return std::nullopt;
}

std::optional<FileIdentity> IdentityLookahead::IdentityAt(std::size_t i) const {
  // The count the thread keeps is read again only when the one seen falls short, so
  // that the two threads do not pass its cache line back and forth on every rename.
  if (counted_ <= i) counted_ = batch_->count.load(std::memory_order_acquire);
  if (counted_ <= i) return std::nullopt;
  const Taken& taken = batch_->taken[i];
  if (taken.generation != generation_.load(std::memory_order_relaxed)) return std::nullopt;
  return taken.identity;
}

void IdentityLookahead::TakeIdentities() {
  for (;;) {
    std::shared_ptr<Batch> batch;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || waiting_; });
      if (stopping_) return;
      batch = std::move(waiting_);
      waiting_.reset();
    }
    // A path expected twice may hold another file by its second turn: it is not taken.
    // Nor is a file found twice, which is how two spellings of one name show where a file
    // system ignores letter case. A file that only shares its key with another costs a
    // look-up at its rename, never a wrong identity.
    std::unordered_set<std::string_view> seenPaths;
    std::unordered_set<std::uint64_t> seenFiles;
    seenPaths.reserve(batch->paths.size());
    seenFiles.reserve(batch->paths.size());
    for (std::size_t i = 0; i < batch->paths.size() && !batch->dropped; ++i) {
      Taken& taken = batch->taken[i];
      taken.generation = generation_.load(std::memory_order_acquire);
      if (seenPaths.insert(batch->paths[i]).second) {
        // Where inode numbers do not last, a file is known by its content, which is read at
        // its rename only: a path may hold a rename's reservation for a moment, and some FUSE
        // drivers (fusefat) give wrong bytes while another thread works on the mount, so
        // this thread leaves the batch alone.
        std::optional<FileIdentity> identity =
            disk_.IdentifyFile(std::string(batch->paths[i]), FileSystem::Fingerprint::kLeave);
        if (identity && !identity->inodeStable) break;
        if (identity &&
            seenFiles.insert(identity->inode * 0x9E3779B97F4A7C15u ^ identity->device).second)
          taken.identity = identity;
      }
      batch->count.store(i + 1, std::memory_order_release);
    }
  }
}

}  // namespace tunewick
