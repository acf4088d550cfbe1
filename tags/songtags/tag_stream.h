#pragma once

// A song file as TagLib reads it: read-only, through Tunewick's FileSystem, and with
// limits, so that a damaged or hostile file costs little whatever its sizes claim.

#include <taglib/tiostream.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace tunewick {

class TagStream final : public TagLib::IOStream {
 public:
  // What one file may cost at most. A read past a limit comes back empty, as at the
  // file's end, which every TagLib parser takes as the end of the tag.
  static constexpr std::size_t kLargestRead = 16 << 20;  // one block (tags with big pictures)
  static constexpr std::uint64_t kMostBytes = 64 << 20;  // every block together
  static constexpr std::size_t kMostReads = 100000;      // every block together
  // Small reads come from a window of the file's bytes read ahead, of this size.
  static constexpr std::size_t kWindowSize = 16 << 10;

  TagStream(std::string path, std::unique_ptr<ReadableFile> file);
  ~TagStream() override;

  // Up to `count` bytes from `offset` on, within the limits above; moves the position.
  std::string ReadAt(std::uint64_t offset, std::uint64_t count);

  TagLib::FileName name() const override;
  TagLib::ByteVector readBlock(unsigned long length) override;
  void writeBlock(const TagLib::ByteVector&) override {}
  void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
  void removeBlock(unsigned long, unsigned long) override {}
  bool readOnly() const override { return true; }
  bool isOpen() const override { return true; }
  void seek(long offset, Position from) override;
  long tell() const override { return static_cast<long>(position_); }
  long length() override { return static_cast<long>(size_); }
  void truncate(long) override {}

 private:
  // Makes the window hold the bytes from `position_` on; false when nothing is there.
  bool Fill();
  // Reads into `bytes` (a std::string or a TagLib::ByteVector) from the position on.
  template <class Bytes>
  Bytes Read(std::uint64_t length);

  std::string path_;
  std::unique_ptr<ReadableFile> file_;
  std::uint64_t size_;
  std::uint64_t position_ = 0;
  // The file's bytes from `windowStart_` on, read ahead: TagLib reads many small pieces
  // close together.
  std::unique_ptr<char[]> window_;
  std::size_t windowLength_ = 0;
  std::uint64_t windowStart_ = 0;
  std::uint64_t bytesGiven_ = 0;
  std::size_t reads_ = 0;
};

// Reads of a few bytes at a time close together, as a walk over the headers of frames or
// atoms makes them, each served from one larger read of the stream ahead; a larger read is
// passed on. So a walk over a tag of a hundred thousand tiny frames costs few reads, and one
// that passes over a picture does not read it.
class ReadAhead {
 public:
  // Reads ahead no further than `end`, where what is walked ends.
  explicit ReadAhead(TagStream& stream,
                     std::uint64_t end = std::numeric_limits<std::uint64_t>::max())
      : stream_(stream), end_(end) {}

  // As TagStream::ReadAt.
  std::string ReadAt(std::uint64_t offset, std::size_t count);

 private:
  // As much as the stream reads ahead itself: no more is read than a walk in its own reads
  // would.
  static constexpr std::size_t kReadAhead = TagStream::kWindowSize;

  TagStream& stream_;
  std::uint64_t end_;
  std::string window_;  // the bytes from windowStart_ on
  std::uint64_t windowStart_ = 0;
};

}  // namespace tunewick
