#include "support/mounted_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tunewick::testing {

int RunProgram(const std::vector<std::string>& arguments, std::string* out) {
  int pipeEnds[2] = {-1, -1};
  if (out && ::pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    const int quiet = ::open("/dev/null", O_RDWR);
    ::dup2(out ? pipeEnds[1] : quiet, STDOUT_FILENO);
    ::dup2(quiet, STDERR_FILENO);
    ::dup2(quiet, STDIN_FILENO);
    const char* path = std::getenv("PATH");
    ::setenv("PATH", (std::string(path ? path : "/usr/bin:/bin") + ":/usr/sbin:/sbin").c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  if (out) {
    ::close(pipeEnds[1]);
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
      out->append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

namespace {

// Why `what` cannot be mounted through FUSE here; empty when it can.
std::string WhyFuseCannotMount(const std::string& what) {
  if (::geteuid() != 0) return "mounting " + what + " through FUSE needs root";
  const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
  if (fuse < 0) return std::string("/dev/fuse is not usable: ") + std::strerror(errno);
  ::close(fuse);
  return {};
}

}  // namespace

MountedImage::MountedImage(Kind kind, int megabytes, Access access) : mountPoint_(work_ / "mnt") {
  Mount(kind, megabytes, access);
}

void MountedImage::Mount(Kind kind, int megabytes, Access access) {
  const std::string name = Name(kind);
  unavailable_ = kind != Kind::kExt4 ? WhyFuseCannotMount("a " + name + " image")
                 : ::geteuid() != 0  ? "mounting an ext4 image needs root"
                                     : "";
  if (!unavailable_.empty()) return;
  const std::string image = work_ / "image";
  if (::truncate(work_.MakeFile("image").c_str(), off_t{megabytes} << 20) != 0 ||
      ::mkdir(mountPoint_.c_str(), 0755) != 0) {
    unavailable_ = "cannot prepare the image";
    return;
  }
  auto fail = [&](const std::string& step, int status) {
    unavailable_ = step + (status == 127 ? " is not installed" : " failed");
  };
  if (kind == Kind::kFat) {
    if (int status = RunProgram({"mkfs.vfat", image}); status != 0)
      return fail("mkfs.vfat", status);
    mountAttempted_ = true;
    const char* mode = access == Access::kReadOnly ? "ro" : "rw+";
    if (int status = RunProgram({"fusefat", "-o", mode, image, mountPoint_}); status != 0)
      return fail("fusefat", status);
  } else if (kind == Kind::kNtfs || kind == Kind::kNtfsIgnoringCase) {
    if (int status = RunProgram({"mkntfs", "-F", "-f", "-q", image}); status != 0)
      return fail("mkntfs", status);
    mountAttempted_ = true;
    const std::string driver = kind == Kind::kNtfs ? "ntfs-3g" : "lowntfs-3g";
    std::vector<std::string> mount{driver, image, mountPoint_};
    std::string options = kind == Kind::kNtfs ? "" : "ignore_case";
    if (access == Access::kReadOnly) options += options.empty() ? "ro" : ",ro";
    if (!options.empty()) mount.insert(mount.begin() + 1, {"-o", options});
    if (int status = RunProgram(mount); status != 0) return fail(driver, status);
  } else if (kind == Kind::kExt4) {
    if (int status = RunProgram({"mkfs.ext4", "-q", "-F", image}); status != 0)
      return fail("mkfs.ext4", status);
    if (!MountExt4()) return;
  } else {
    if (int status = RunProgram({"mkfs.exfat", image}); status != 0)
      return fail("mkfs.exfat", status);
    if (!AttachLoopDevice()) return;
    mountAttempted_ = true;
    std::vector<std::string> mount{"mount.exfat-fuse", loopDevice_, mountPoint_};
    if (access == Access::kReadOnly) mount.insert(mount.begin() + 1, {"-o", "ro"});
    if (int status = RunProgram(mount); status != 0) return fail("mount.exfat-fuse", status);
  }
  struct stat inside, outside;
  mounted_ = ::stat(mountPoint_.c_str(), &inside) == 0 &&
             ::stat(work_.path().c_str(), &outside) == 0 && inside.st_dev != outside.st_dev;
  if (!mounted_) unavailable_ = name + " image did not appear at its mount point";
}

// Attached before the one the image may have is let go, the new loop device is another,
// with another device number.
bool MountedImage::AttachLoopDevice() {
  std::string device;
  if (RunProgram({"losetup", "-f", "--show", work_ / "image"}, &device) != 0) {
    unavailable_ = "losetup failed";
    return false;
  }
  if (!loopDevice_.empty()) RunProgram({"losetup", "-d", loopDevice_});
  loopDevice_ = device.substr(0, device.find('\n'));
  return true;
}

bool MountedImage::MountExt4() {
  if (!AttachLoopDevice()) return false;
  mountAttempted_ = true;
  if (RunProgram({"mount", "-t", "ext4", loopDevice_, mountPoint_}) != 0) {
    unavailable_ = "mounting the ext4 image failed";
    return false;
  }
  return true;
}

bool MountedImage::PlugInAgain() {
  struct stat before, after;
  if (::stat(mountPoint_.c_str(), &before) != 0 || RunProgram({"umount", mountPoint_}) != 0) {
    unavailable_ = "the ext4 image could not be unmounted";
    return false;
  }
  if (!MountExt4()) return false;
  if (::stat(mountPoint_.c_str(), &after) != 0 || after.st_dev == before.st_dev) {
    unavailable_ = "the ext4 image came back under the same device number";
    return false;
  }
  return true;
}

MountedImage::~MountedImage() {
  if (!mountAttempted_) return;
  // Lazily as a last resort, so that a file left open cannot keep the mount.
  if (RunProgram({"fusermount", "-u", "-q", mountPoint_}) != 0 &&
      RunProgram({"umount", mountPoint_}) != 0)
    RunProgram({"umount", "-l", mountPoint_});
  // Still in use by the exiting FUSE process, the device is detached once it lets go.
  if (!loopDevice_.empty()) RunProgram({"losetup", "-d", loopDevice_});
}

MountedFolder::MountedFolder(const std::string& below, Kind kind)
    : mountPoint_(work_ / "mnt"), kind_(kind) {
  if (kind == Kind::kOverlayfs) {
    if (::geteuid() != 0) unavailable_ = "mounting an overlay needs root";
  } else {
    unavailable_ = WhyFuseCannotMount(kind == Kind::kRclone ? "a folder with rclone" : "a union");
  }
  if (!unavailable_.empty()) return;
  ::mkdir(mountPoint_.c_str(), 0755);
  const std::string upper = work_.MakeFolder("upper");
  std::vector<std::string> mount;
  if (kind == Kind::kOverlayfs) {
    mount = {"mount",
             "-t",
             "overlay",
             "overlay",
             "-o",
             "lowerdir=" + below + ",upperdir=" + upper + ",workdir=" + work_.MakeFolder("work"),
             mountPoint_};
  } else if (kind == Kind::kUnionfsFuse) {
    mount = {"unionfs-fuse", "-o", "cow,attr_timeout=3600", upper + "=RW:" + below + "=RO",
             mountPoint_};
  } else {
    // --daemon returns once the mount is ready.
    mount = {"rclone",           "mount",
             "--config",         work_.MakeFile("rclone.conf"),
             "--cache-dir",      work_.MakeFolder("cache"),
             "--vfs-cache-mode", "off",
             "--daemon",         below,
             mountPoint_};
  }
  const int status = RunProgram(mount);
  struct stat inside, outside;
  mounted_ = status == 0 && ::stat(mountPoint_.c_str(), &inside) == 0 &&
             ::stat(work_.path().c_str(), &outside) == 0 && inside.st_dev != outside.st_dev;
  if (!mounted_) unavailable_ = mount[0] + (status == 127 ? " is not installed" : " failed");
}

MountedFolder::~MountedFolder() {
  if (!mounted_) return;
  const std::vector<std::string> unmount =
      kind_ == Kind::kOverlayfs ? std::vector<std::string>{"umount", mountPoint_}
                                : std::vector<std::string>{"fusermount", "-u", "-q", mountPoint_};
  if (RunProgram(unmount) != 0) RunProgram({"umount", "-l", mountPoint_});
}

std::string MountedImage::operator/(std::string_view relative) const {
  return mountPoint_ + "/" + std::string(relative);
}

}  // namespace tunewick::testing
