#pragma once

#include <string>

namespace tunewick::testing {

// Keeps a file from being renamed or deleted for as long as the object lives: as root it
// sets the file's immutable (or append-only) attribute (root ignores folder permissions),
// otherwise it makes the file's folder read-only. pinned() is false when neither is
// possible here; tests then skip.
class PinnedFile {
 public:
  enum class Attribute { kImmutable, kAppendOnly };
  explicit PinnedFile(std::string path, Attribute attribute = Attribute::kImmutable);
  ~PinnedFile();
  PinnedFile(const PinnedFile&) = delete;
  PinnedFile& operator=(const PinnedFile&) = delete;

  bool pinned() const { return how_ != How::kNot; }

 private:
  enum class How { kNot, kAttribute, kReadOnlyFolder };
  bool SetAttribute(bool on) const;

  std::string path_;
  Attribute attribute_;
  std::string folder_;
  How how_ = How::kNot;
};

}  // namespace tunewick::testing
