#include "songtags/tag_stream.h"

#include <taglib/tbytevector.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace tunewick {
namespace {

// One window kept for the next stream of the same thread: songs are read one after the
// other by thousands, and a fresh window each time costs more than reading into it.
thread_local std::unique_ptr<char[]> spareWindow;

}  // namespace

TagStream::TagStream(std::string path, std::unique_ptr<ReadableFile> file)
    : path_(std::move(path)),
      file_(std::move(file)),
      // TagLib counts in long: a size beyond it cannot be a song anyway.
      size_(std::min<std::uint64_t>(file_->Size(), std::numeric_limits<long>::max())),
      window_(spareWindow ? std::move(spareWindow)
                          : std::make_unique_for_overwrite<char[]>(kWindowSize)) {}

TagStream::~TagStream() { spareWindow = std::move(window_); }

TagLib::FileName TagStream::name() const { return path_.c_str(); }

bool TagStream::Fill() {
  if (position_ >= windowStart_ && position_ < windowStart_ + windowLength_) return true;
  if (position_ >= size_) return false;
  windowStart_ = position_;
  windowLength_ = file_->ReadAt(position_, window_.get(),
                                std::min<std::uint64_t>(kWindowSize, size_ - position_));
  return windowLength_ > 0;
}

template <class Bytes>
Bytes TagStream::Read(std::uint64_t length) {
  Bytes bytes;
  if (++reads_ > kMostReads || bytesGiven_ >= kMostBytes || position_ >= size_) return bytes;
  const std::uint64_t wanted =
      std::min<std::uint64_t>({length, size_ - position_, kLargestRead, kMostBytes - bytesGiven_});
  bytes.resize(static_cast<unsigned int>(wanted));
  std::size_t done = 0;
  if (wanted <= kWindowSize) {
    // Small reads, the usual kind, come from the window.
    while (done < wanted && Fill()) {
      const std::size_t at = static_cast<std::size_t>(position_ - windowStart_);
      const std::size_t piece = std::min<std::size_t>(wanted - done, windowLength_ - at);
      std::memcpy(bytes.data() + done, window_.get() + at, piece);
      position_ += piece;
      done += piece;
    }
  } else {
    done = file_->ReadAt(position_, bytes.data(), static_cast<std::size_t>(wanted));
    position_ += done;
  }
  bytes.resize(static_cast<unsigned int>(done));
  bytesGiven_ += done;
  return bytes;
}

std::string TagStream::ReadAt(std::uint64_t offset, std::uint64_t count) {
  position_ = offset;
  return Read<std::string>(count);
}

std::string ReadAhead::ReadAt(std::uint64_t offset, std::size_t count) {
  if (count > kReadAhead) return stream_.ReadAt(offset, count);
  if (offset < windowStart_ || offset - windowStart_ + count > window_.size()) {
    const std::uint64_t ahead =
        offset < end_ ? std::max<std::uint64_t>(end_ - offset, count) : count;
    window_ = stream_.ReadAt(offset,
                             static_cast<std::size_t>(std::min<std::uint64_t>(kReadAhead, ahead)));
    windowStart_ = offset;
  }
  const std::size_t at = static_cast<std::size_t>(offset - windowStart_);
  return window_.substr(std::min(at, window_.size()), count);
}

TagLib::ByteVector TagStream::readBlock(unsigned long length) {
  return Read<TagLib::ByteVector>(length);
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
