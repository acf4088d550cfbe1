#pragma once

#include <string>

namespace tunewick::testing {

// Keeps a file from being renamed or deleted for as long as the object lives: as root it
// sets the file's immutable attribute (root ignores folder permissions), otherwise it
// makes the file's folder read-only. pinned() is false when neither is possible here;
// tests then skip.
class PinnedFile {
 public:
  explicit PinnedFile(std::string path);
  ~PinnedFile();
  PinnedFile(const PinnedFile&) = delete;
  PinnedFile& operator=(const PinnedFile&) = delete;

  bool pinned() const { return how_ != How::kNot; }

 private:
  enum class How { kNot, kImmutable, kReadOnlyFolder };
  bool SetImmutable(bool on) const;

  std::string path_;
  std::string folder_;
  How how_ = How::kNot;
};

}  // namespace tunewick::testing
