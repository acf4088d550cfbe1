#include "journal/identity_lookahead.h"

#include <algorithm>
#include <cstdint>

namespace tunewick {
namespace {

// How far past the next expected path a rename is still looked for: now and then a caller
// leaves out a rename it expected, such as one to the name the file already has.
constexpr std::size_t kPassable = 8;

// Paths in one folder differ mostly near their end, so the last bytes make a hash cheap
// enough to take for every rename.
std::size_t ShortHash(const std::string& path) {
  const std::size_t tail = std::min<std::size_t>(path.size(), 24);
  std::uint64_t hash = 14695981039346656037u ^ path.size();
  for (std::size_t i = path.size() - tail; i < path.size(); ++i)
    hash = (hash ^ static_cast<unsigned char>(path[i])) * 1099511628211u;
  return static_cast<std::size_t>(hash ^ (hash >> 29));
}

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

void IdentityLookahead::Expect(std::vector<std::string> paths) {
  if (batch_) batch_->dropped = true;
  next_ = 0;
  taken_ = 0;
  if (anyRenamedTo_) renamedTo_.reset();
  anyRenamedTo_ = false;
  batch_ = std::make_shared<Batch>();
  batch_->identities.resize(paths.size());
  batch_->paths = std::move(paths);
  {
    std::lock_guard lock(mutex_);
    waiting_ = batch_;
  }
  if (!thread_.joinable()) thread_ = std::thread([this] { TakeIdentities(); });
  wake_.notify_one();
}

std::optional<FileIdentity> IdentityLookahead::Take(const std::string& path) {
  const std::optional<std::size_t> at = IndexOf(path);
  if (!at) return std::nullopt;
  next_ = *at + 1;
  return IdentityAt(*at);
}

std::optional<FileIdentity> IdentityLookahead::Peek(const std::string& path) const {
  const std::optional<std::size_t> at = IndexOf(path);
  return at ? IdentityAt(*at) : std::nullopt;
}

std::optional<std::size_t> IdentityLookahead::IndexOf(const std::string& path) const {
  if (!batch_) return std::nullopt;
  const std::vector<std::string>& paths = batch_->paths;
  const std::size_t end = std::min(paths.size(), next_ + kPassable);
  for (std::size_t i = next_; i < end; ++i)
    if (paths[i] == path) return i;
  return std::nullopt;
}

std::optional<FileIdentity> IdentityLookahead::IdentityAt(std::size_t i) const {
  // The count the thread keeps is read again only when the one seen falls short, so
  // that the two threads do not pass its cache line back and forth on every rename.
  if (taken_ <= i) taken_ = batch_->taken.load(std::memory_order_acquire);
  if (taken_ <= i) return std::nullopt;
  if (anyRenamedTo_ && renamedTo_[ShortHash(batch_->paths[i]) % renamedTo_.size()])
    return std::nullopt;
  return batch_->identities[i];
}

void IdentityLookahead::RenamedTo(const std::string& path) {
  if (!batch_ || next_ == batch_->paths.size()) return;
  renamedTo_.set(ShortHash(path) % renamedTo_.size());
  anyRenamedTo_ = true;
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
    for (std::size_t i = 0; i < batch->paths.size() && !batch->dropped; ++i) {
      batch->identities[i] = disk_.IdentifyFile(batch->paths[i]);
      batch->taken.store(i + 1, std::memory_order_release);
    }
  }
}

}  // namespace tunewick
