#include "tags/tag_stream.h"

#include <algorithm>
#include <limits>

namespace tunewick {
namespace {

constexpr std::size_t kWindowSize = 64 << 10;

}  // namespace

TagStream::TagStream(std::string path, std::unique_ptr<ReadableFile> file)
    : path_(std::move(path)),
      file_(std::move(file)),
      // TagLib counts in long: a size beyond it cannot be a song anyway.
      size_(std::min<std::uint64_t>(file_->Size(), std::numeric_limits<long>::max())) {}

std::string TagStream::Peek(std::size_t count) {
  const std::uint64_t was = position_;
  position_ = 0;
  std::string bytes;
  if (Fill()) bytes.assign(window_.data(), std::min(count, window_.size()));
  position_ = was;
  return bytes;
}

TagLib::FileName TagStream::name() const { return path_.c_str(); }

bool TagStream::Fill() {
  if (position_ >= windowStart_ && position_ < windowStart_ + window_.size()) return true;
  if (position_ >= size_) return false;
  window_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kWindowSize, size_ - position_)));
  window_.resize(file_->ReadAt(position_, window_.data(), window_.size()));
  windowStart_ = position_;
  return !window_.empty();
}

TagLib::ByteVector TagStream::readBlock(unsigned long length) {
  if (++reads_ > kMostReads || bytesGiven_ >= kMostBytes || position_ >= size_) return {};
  std::uint64_t wanted = std::min<std::uint64_t>({length, size_ - position_, kLargestRead,
                                                  kMostBytes - bytesGiven_});
  TagLib::ByteVector block;
  if (wanted <= kWindowSize) {
    // Small reads, the usual kind, come from the window.
    while (wanted > 0 && Fill()) {
      const std::size_t at = static_cast<std::size_t>(position_ - windowStart_);
      const std::size_t piece =
          static_cast<std::size_t>(std::min<std::uint64_t>(wanted, window_.size() - at));
      block.append(TagLib::ByteVector(window_.data() + at, static_cast<unsigned int>(piece)));
      position_ += piece;
      wanted -= piece;
    }
  } else {
    block.resize(static_cast<unsigned int>(wanted));
    block.resize(static_cast<unsigned int>(file_->ReadAt(position_, block.data(), block.size())));
    position_ += block.size();
  }
  bytesGiven_ += block.size();
  return block;
}

void TagStream::seek(long offset, Position from) {
  std::int64_t base = 0;
  if (from == Current) base = static_cast<std::int64_t>(position_);
  if (from == End) base = static_cast<std::int64_t>(size_);
  // Never before the start; a damaged size field must not overflow the sum.
  std::int64_t target = 0;
  if (__builtin_add_overflow(base, static_cast<std::int64_t>(offset), &target))
    target = offset < 0 ? 0 : std::numeric_limits<std::int64_t>::max();
  position_ = target < 0 ? 0 : static_cast<std::uint64_t>(target);
}

}  // namespace tunewick
