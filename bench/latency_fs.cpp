// tunewick-latencyfs: a folder shown at a mount point through FUSE as a network share
// shows it, every call that would cross the network waiting a fixed time first.
//
//   tunewick-latencyfs FOLDER MOUNTPOINT MICROSECONDS [FUSE OPTIONS...]
//
// The calls that wait are those a share answers across the network: looking up and
// reading the attributes of a name (getattr), reading a folder, renaming, linking,
// unlinking, creating a file and asking for the file system's figures (statfs). Opening,
// reading and writing an open file do not wait. Runs in the foreground on several
// threads, so that calls made at once wait at once, as on a network; unmounting ends it.
// Started and stopped by share_bench.

#define FUSE_USE_VERSION 31

#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string folder;
std::chrono::microseconds latency{0};

std::string Backing(const char* path) { return folder + path; }

// A round trip across the network.
void Wait() { std::this_thread::sleep_for(latency); }

int Result(int returned) { return returned == 0 ? 0 : -errno; }

int GetAttr(const char* path, struct stat* info, fuse_file_info*) {
  Wait();
  return Result(::lstat(Backing(path).c_str(), info));
}

int ReadLink(const char* path, char* target, size_t size) {
  const ssize_t length = ::readlink(Backing(path).c_str(), target, size - 1);
  if (length < 0) return -errno;
  target[length] = '\0';
  return 0;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  Wait();
  DIR* dir = ::opendir(Backing(path).c_str());
  if (!dir) return -errno;
  while (const dirent* entry = ::readdir(dir)) {
    struct stat info {};
    info.st_ino = entry->d_ino;
    info.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
    if (fill(buffer, entry->d_name, &info, 0, static_cast<fuse_fill_dir_flags>(0))) break;
  }
  ::closedir(dir);
  return 0;
}

int MakeDir(const char* path, mode_t mode) {
  Wait();
  return Result(::mkdir(Backing(path).c_str(), mode));
}

int Unlink(const char* path) {
  Wait();
  return Result(::unlink(Backing(path).c_str()));
}

int RemoveDir(const char* path) {
  Wait();
  return Result(::rmdir(Backing(path).c_str()));
}

int Rename(const char* from, const char* to, unsigned int flags) {
  Wait();
  return Result(static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, Backing(from).c_str(), AT_FDCWD,
                                           Backing(to).c_str(), flags)));
}

int Link(const char* from, const char* to) {
  Wait();
  return Result(::link(Backing(from).c_str(), Backing(to).c_str()));
}

int Open(const char* path, fuse_file_info* file) {
  const int fd = ::open(Backing(path).c_str(), file->flags);
  if (fd < 0) return -errno;
  file->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int Create(const char* path, mode_t mode, fuse_file_info* file) {
  Wait();
  const int fd = ::open(Backing(path).c_str(), file->flags, mode);
  if (fd < 0) return -errno;
  file->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int Read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* file) {
  const ssize_t got = ::pread(static_cast<int>(file->fh), buffer, size, offset);
  return got < 0 ? -errno : static_cast<int>(got);
}

int Write(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* file) {
  const ssize_t put = ::pwrite(static_cast<int>(file->fh), buffer, size, offset);
  return put < 0 ? -errno : static_cast<int>(put);
}

int Release(const char*, fuse_file_info* file) {
  ::close(static_cast<int>(file->fh));
  return 0;
}

int StatFs(const char* path, struct statvfs* figures) {
  Wait();
  return Result(::statvfs(Backing(path).c_str(), figures));
}

int Access(const char* path, int mode) { return Result(::access(Backing(path).c_str(), mode)); }

void* Init(fuse_conn_info*, fuse_config* config) {
  config->use_ino = 1;  // the folder's own inode numbers
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  char* end = nullptr;
  const long microseconds = argc >= 4 ? std::strtol(argv[3], &end, 10) : -1;
  if (argc < 4 || *end != '\0' || microseconds < 0) {
    std::fprintf(stderr, "usage: tunewick-latencyfs FOLDER MOUNTPOINT MICROSECONDS [OPTIONS]\n");
    return 2;
  }
  char resolved[PATH_MAX];
  if (!::realpath(argv[1], resolved)) {
    std::perror(argv[1]);
    return 2;
  }
  folder = resolved;
  latency = std::chrono::microseconds(microseconds);

  fuse_operations operations{};
  operations.getattr = GetAttr;
  operations.readlink = ReadLink;
  operations.readdir = ReadDir;
  operations.mkdir = MakeDir;
  operations.unlink = Unlink;
  operations.rmdir = RemoveDir;
  operations.rename = Rename;
  operations.link = Link;
  operations.open = Open;
  operations.create = Create;
  operations.read = Read;
  operations.write = Write;
  operations.release = Release;
  operations.statfs = StatFs;
  operations.access = Access;
  operations.init = Init;

  std::vector<char*> arguments = {argv[0], argv[2], const_cast<char*>("-f")};
  for (int i = 4; i < argc; ++i) arguments.push_back(argv[i]);
  return fuse_main(static_cast<int>(arguments.size()), arguments.data(), &operations, nullptr);
}
