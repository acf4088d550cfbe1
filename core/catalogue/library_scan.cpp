#include "catalogue/library_scan.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "library/library_file.h"

namespace tunewick {
namespace {

struct FolderIdHash {
  std::size_t operator()(const FolderId& id) const {
    return std::hash<std::uint64_t>()(id.inode * 1000003u ^ id.device);
  }
};

// Missing folders and paths that are no folder are skipped without a word; anything else
// that keeps a folder shut is worth telling.
bool IsUnreadable(std::error_code error) {
  return error && error != std::errc::no_such_file_or_directory &&
         error != std::errc::not_a_directory;
}

}  // namespace

// The threads that read folders ahead of a walk, shared by the trees of one scan: a
// library file may list hundreds of thousands of folders, most of them missing or without
// subfolders, and starting threads for each would cost far more than reading it. They are
// started when a tree first has subfolders to read, as many as its file system advises.
class FolderReaders::Pool {
 public:
  Pool(const FileSystem& fileSystem, SongTypes types) : fileSystem(fileSystem), types(types) {}
  ~Pool() {
    {
      std::lock_guard lock(mutex);
      stopping_ = true;
    }
    workToDo.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  // The tree being read, which the threads work for. Called with the lock held.
  struct Tree {
    std::function<bool()> hasQueued;  // folders are queued
    // Reads a queued folder: called and returns with the lock held.
    std::function<void(std::unique_lock<std::mutex>&)> readQueued;
  };
  void Engage(Tree tree, std::size_t threadsWanted) {
    tree_ = std::move(tree);
    allowed_ = threadsWanted;
    try {
      while (threads_.size() < threadsWanted)
        threads_.emplace_back([this, index = threads_.size()] { Work(index); });
    } catch (...) {
      // Fewer threads than wished for: the walk reads whatever they have not reached.
    }
    workToDo.notify_all();
  }
  // Returns once no thread works for the tree any more.
  void Disengage(std::unique_lock<std::mutex>& lock) {
    allowed_ = 0;
    idle_.wait(lock, [&] { return reading_ == 0; });
    tree_ = {};
  }

  const FileSystem& fileSystem;
  const SongTypes types;
  std::mutex mutex;
  std::condition_variable workToDo, folderRead;

 private:
  void Work(std::size_t index) {
    std::unique_lock lock(mutex);
    for (;;) {
      workToDo.wait(lock, [&] { return stopping_ || (index < allowed_ && tree_.hasQueued()); });
      if (stopping_) return;
      ++reading_;
      tree_.readQueued(lock);
      if (--reading_ == 0) idle_.notify_all();
    }
  }

  Tree tree_;
  std::size_t allowed_ = 0;  // threads that may work for the tree
  std::size_t reading_ = 0;  // threads working for it now
  std::condition_variable idle_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;  // last: they stop before the rest goes
};

namespace {

// Reads the folders of one tree on the scan's threads, ahead of a walk that takes them one
// by one in its own order. Each folder read is split at once into its songs and its
// subfolders; the subfolders of the first folder read for each real folder are queued
// for reading straight away. Any other folder's subfolders wait until the walk enters
// it: so a link that leads back up the tree is read once and not followed, and the
// threads never run ahead into a loop.
class TreeReader {
 public:
  struct Folder {
    explicit Folder(std::string folderPath) : path(std::move(folderPath)) {}
    // Frees what the walk will not use.
    void Forget() {
      for (auto& list : songs) list = {};
      subfolderNames = {};
    }

    std::string path;  // ends with "/"
    bool opened = false;
    std::error_code error;  // why it was not opened
    FolderId id;
    std::vector<SongPath> songs[kSongTypeCount];  // full paths

   private:
    friend class TreeReader;
    enum class State { kQueued, kReading, kRead } state = State::kQueued;
    bool expanded = false;
    std::vector<std::string> subfolderNames;  // until expanded
    std::vector<Folder*> subfolders;          // once expanded
  };

  TreeReader(FolderReaders::Pool& pool, std::string root) : pool_(pool) {
    folders_.emplace_back(std::move(root));
  }

  ~TreeReader() {
    std::unique_lock lock(pool_.mutex);
    queue_.clear();
    if (engaged_) pool_.Disengage(lock);
  }

  TreeReader(const TreeReader&) = delete;
  TreeReader& operator=(const TreeReader&) = delete;

  Folder& Root() { return folders_.front(); }

  // Returns once `folder` has been read, reading it here when no thread has taken it
  // yet. Passes on an exception thrown while reading any folder.
  void AwaitRead(Folder& folder) {
    std::unique_lock lock(pool_.mutex);
    if (folder.state == Folder::State::kQueued) Read(folder, lock);
    awaited_ = &folder;
    pool_.folderRead.wait(lock, [&] { return folder.state == Folder::State::kRead || failure_; });
    awaited_ = nullptr;
    if (failure_) std::rethrow_exception(failure_);
  }

  // The subfolders of a read folder that the walk enters, in name order.
  const std::vector<Folder*>& Enter(Folder& folder) {
    std::lock_guard lock(pool_.mutex);
    if (!folder.expanded) Expand(folder);
    return folder.subfolders;
  }

 private:
  // Called and returns with `lock` held; lists the folder without it.
  void Read(Folder& folder, std::unique_lock<std::mutex>& lock) {
    folder.state = Folder::State::kReading;
    lock.unlock();
    std::exception_ptr failure;
    try {
      FolderListing listing = pool_.fileSystem.ListFolder(folder.path);
      folder.opened = listing.opened;
      folder.error = listing.error;
      folder.id = listing.id;
      for (FolderEntry& entry : listing.entries) {
        if (entry.isFile) {
          const int type = pool_.types.TypeOf(entry.name);
          if (type < 0) continue;
          std::string& path = folder.songs[type].emplace_back();
          path.reserve(folder.path.size() + entry.name.size());
          path.append(folder.path).append(entry.name);
        } else if (entry.isFolder && entry.name[0] != '.') {
          folder.subfolderNames.push_back(std::move(entry.name));
        }
      }
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    folder.state = Folder::State::kRead;
    if (failure && !failure_) failure_ = failure;
    if (folder.opened && !failure && claimed_.insert(folder.id).second) Expand(folder);
    if (awaited_ == &folder || failure) pool_.folderRead.notify_all();
  }

  // Called with the lock held.
  void Expand(Folder& folder) {
    folder.expanded = true;
    folder.subfolders.reserve(folder.subfolderNames.size());
    for (const std::string& name : folder.subfolderNames) {
      std::string path;
      path.reserve(folder.path.size() + name.size() + 1);
      path.append(folder.path).append(name) += '/';
      folder.subfolders.push_back(&folders_.emplace_back(std::move(path)));
    }
    folder.subfolderNames = {};
    if (folder.subfolders.empty()) return;
    // The first subfolder on top: the threads read ahead roughly in walking order.
    queue_.insert(queue_.end(), folder.subfolders.rbegin(), folder.subfolders.rend());
    if (engaged_) {
      pool_.workToDo.notify_all();
      return;
    }
    engaged_ = true;
    pool_.Engage({[this] { return !queue_.empty(); },
                  [this](std::unique_lock<std::mutex>& lock) {
                    Folder* next = queue_.back();
                    queue_.pop_back();
                    if (next->state == Folder::State::kQueued) Read(*next, lock);
                  }},
                 pool_.fileSystem.FolderReadsAtOnce(Root().path));
  }

  FolderReaders::Pool& pool_;
  std::deque<Folder> folders_;  // never moves an element
  std::vector<Folder*> queue_;  // read from the back; may hold folders read meanwhile
  std::unordered_set<FolderId, FolderIdHash> claimed_;  // real folders whose subfolders are queued
  Folder* awaited_ = nullptr;
  std::exception_ptr failure_;
  bool engaged_ = false;  // the pool's threads read for this tree
};

}  // namespace

FolderReaders::FolderReaders(const FileSystem& fileSystem, SongTypes types)
    : pool_(std::make_unique<Pool>(fileSystem, types)) {}

FolderReaders::~FolderReaders() = default;

LibraryTree::LibraryTree(FolderReaders& readers, const std::string& folder) {
  std::string root = folder;
  if (root.empty() || root.back() != '/') root += '/';
  TreeReader reader(*readers.pool_, std::move(root));

  // Depth-first in the order the songs are listed, so that of two routes to one real
  // folder the one met first in that order is the one that is kept.
  std::unordered_set<FolderId, FolderIdHash> entered;
  std::vector<TreeReader::Folder*> pending{&reader.Root()};
  while (!pending.empty()) {
    TreeReader::Folder& next = *pending.back();
    pending.pop_back();
    reader.AwaitRead(next);
    if (!next.opened && IsUnreadable(next.error)) {
      const std::string& path = next.path;
      unreadable_.push_back({path.size() > 1 ? path.substr(0, path.size() - 1) : path, next.error});
    }
    if (!next.opened || !entered.insert(next.id).second) {
      next.Forget();
      continue;
    }
    const std::vector<TreeReader::Folder*>& subfolders = reader.Enter(next);
    for (auto child = subfolders.rbegin(); child != subfolders.rend(); ++child)
      pending.push_back(*child);
    ++folderCount_;
    for (std::size_t type = 0; type < kSongTypeCount; ++type) {
      songCount_ += next.songs[type].size();
      songs_[type].insert(songs_[type].end(), std::make_move_iterator(next.songs[type].begin()),
                          std::make_move_iterator(next.songs[type].end()));
      next.songs[type] = {};
    }
  }
}

void FindSongFiles(std::vector<SongPath>& target, LibraryTree& tree) {
  for (std::vector<SongPath>& songs : tree.songs_) {
    target.insert(target.end(), std::make_move_iterator(songs.begin()),
                  std::make_move_iterator(songs.end()));
    songs = {};
  }
}

std::vector<UnreadableFolder> ScanEachFolder(const FileSystem& fileSystem,
                                             const std::vector<std::string>& folders,
                                             FolderEntries entries, SongTypes types,
                                             const std::function<void(LibraryTree&)>& take) {
  std::vector<UnreadableFolder> unreadable;
  FolderReaders readers(fileSystem, types);
  for (const std::string& folder : folders) {
    if (entries == FolderEntries::kFromLibraryFile && folder.size() <= 1) continue;
    // The system would take such a path to end at the NUL: some other folder.
    if (folder.find('\0') != std::string::npos) continue;
    LibraryTree tree(readers, folder);
    unreadable.insert(unreadable.end(), tree.Unreadable().begin(), tree.Unreadable().end());
    take(tree);
  }
  return unreadable;
}

std::vector<UnreadableFolder> ScanFolders(SongLists& lists, const FileSystem& fileSystem,
                                          const std::vector<std::string>& folders,
                                          FolderEntries entries, SongTypes types) {
  std::vector<SongPath>& songs = lists.AllSongs;
  songs.clear();
  return ScanEachFolder(fileSystem, folders, entries, types, [&](LibraryTree& tree) {
    const std::size_t needed = songs.size() + tree.SongCount();
    if (needed > songs.capacity()) songs.reserve(std::max(needed, 2 * songs.capacity()));
    FindSongFiles(songs, tree);
  });
}

RescanResult rescan(SongLists& lists, FileSystem& fileSystem, const std::string& libraryFile,
                    SongTypes types) {
  lists.AllSongs.clear();
  lists.IncorrectSongs.clear();
  lists.LibraryFolders.clear();

  RescanResult result;
  result.libraryFileMissing =
      !LoadLibraryFile(fileSystem, libraryFile, LibraryRead::kMainWindow, lists.LibraryFolders);
  result.unreadableFolders =
      ScanFolders(lists, fileSystem, lists.LibraryFolders, FolderEntries::kFromLibraryFile, types);
  return result;
}

}  // namespace tunewick
