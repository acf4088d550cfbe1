#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/temp_folder.h"

namespace tunewick::testing {

// A small FAT, exFAT or NTFS file system, made in an image file and mounted through FUSE
// for as long as the object lives, as a USB stick, an SD card or a Windows disk of music
// is, or an ext4 one mounted by the kernel, as a Linux disk of music is. Mounting needs
// root, and a usable /dev/fuse but for ext4; where something is missing, or a tool fails,
// unavailable() says why and nothing is mounted. Whatever happens, the destructor unmounts
// and lets the loop device go.
class MountedImage {
 public:
  // kNtfsIgnoringCase: NTFS through lowntfs-3g's ignore_case, which lists every name in
  // lower case.
  enum class Kind { kFat, kExfat, kNtfs, kNtfsIgnoringCase, kExt4 };
  enum class Access { kReadWrite, kReadOnly };
  explicit MountedImage(Kind kind, int megabytes = 16, Access access = Access::kReadWrite);
  ~MountedImage();
  MountedImage(const MountedImage&) = delete;
  MountedImage& operator=(const MountedImage&) = delete;

  static const char* Name(Kind kind) {
    return kind == Kind::kFat     ? "FAT"
           : kind == Kind::kExfat ? "exFAT"
           : kind == Kind::kNtfs  ? "NTFS"
           : kind == Kind::kExt4  ? "ext4"
                                  : "NTFS ignoring case";
  }

  // An ext4 image only: unmounts it and mounts it again through another loop device, as a
  // disk plugged in again comes back under another device number. False, with
  // unavailable() saying why, where it could not.
  bool PlugInAgain();

  // Empty when mounted; otherwise why the image could not be.
  const std::string& unavailable() const { return unavailable_; }
  // The mount point, without a trailing "/".
  const std::string& path() const { return mountPoint_; }
  std::string operator/(std::string_view relative) const;

 private:
  void Mount(Kind kind, int megabytes, Access access);
  bool AttachLoopDevice();
  bool MountExt4();

  TempFolder work_;  // holds the image and the mount point
  std::string mountPoint_;
  std::string loopDevice_;
  bool mountAttempted_ = false;
  bool mounted_ = false;
  std::string unavailable_;
};

// The folder `below` shown at a mount point through another file system, for as long as
// the object lives:
// - kOverlayfs, an overlay as a live system or a container keeps its files in, and
//   kUnionfsFuse, unionfs-fuse copying on write as a union of a read-only disk of music and
//   a writable one (here keeping what it tells of a file for an hour rather than its usual
//   second): what is changed through them goes to an upper layer of their own, and `below`
//   must stay as it is meanwhile;
// - kRclone, rclone mount without a cache, as cloud storage is mounted: changes go to
//   `below`.
// Mounting needs root, and a usable /dev/fuse but for overlayfs; where something is
// missing or refused, unavailable() says why. The destructor unmounts.
class MountedFolder {
 public:
  enum class Kind { kOverlayfs, kUnionfsFuse, kRclone };
  MountedFolder(const std::string& below, Kind kind);
  ~MountedFolder();
  MountedFolder(const MountedFolder&) = delete;
  MountedFolder& operator=(const MountedFolder&) = delete;

  const std::string& unavailable() const { return unavailable_; }
  const std::string& path() const { return mountPoint_; }

 private:
  TempFolder work_;  // holds the mount point, and the upper layer or rclone's cache
  std::string mountPoint_;
  Kind kind_;
  bool mounted_ = false;
  std::string unavailable_;
};

// Runs a program (found on PATH, /usr/sbin and /sbin included) with its output going to
// `out` when given, else nowhere. Its exit status, or -1 when it did not run or end.
int RunProgram(const std::vector<std::string>& arguments, std::string* out = nullptr);

}  // namespace tunewick::testing
