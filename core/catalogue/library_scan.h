#pragma once

// The scan of the music library into AllSongs.
//
// AllSongs lists, library folder by library folder, the songs of that folder's whole tree
// type by type in the order of kSongExtensions: first every .mp3, then every .wav, then
// every .wma (and then the added types, where the scan looks for them). Within one tree the
// walk is depth-first: a folder's own songs (in byte order of their names) before those of
// its subfolders, each subfolder's whole tree before the next one. Folders whose names
// begin with "." are left out. Each folder is read from the disk once per scan and its
// song lists are then taken from memory. Folders that exist but cannot be read are
// skipped, and the scan says which they were.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "catalogue/song_lists.h"
#include "catalogue/song_types.h"
#include "platform/file_system.h"

namespace tunewick {

// A folder the scan met but could not read: nothing under it was found.
struct UnreadableFolder {
  std::string path;  // as the walk reached it, without a trailing "/"
  std::error_code error;
};

// The threads that read the folders of a scan, shared by all its library folders: they are
// started once, when a library folder first has subfolders to read. They keep the files
// of `types`.
class FolderReaders {
 public:
  explicit FolderReaders(const FileSystem& fileSystem, SongTypes types = {});
  ~FolderReaders();
  FolderReaders(const FolderReaders&) = delete;
  FolderReaders& operator=(const FolderReaders&) = delete;

  class Pool;

 private:
  friend class LibraryTree;
  std::unique_ptr<Pool> pool_;
};

// The folders and song files under one library folder, read from the disk once.
class LibraryTree {
 public:
  // Walks `folder` and all its subfolders. Links to folders are followed, but each real
  // folder is entered at most once, so links that lead back into the tree end the walk.
  // Missing or unreadable folders, and folders that vanish during the walk, contribute
  // nothing; the unreadable ones are kept in Unreadable(), in the order the walk met
  // them. Several folders are read at once on the readers' threads (as many as the file
  // system advises), yet the result is exactly that of reading one folder at a time in
  // walking order.
  LibraryTree(FolderReaders& readers, const std::string& folder);

  // The folders entered.
  std::size_t FolderCount() const { return folderCount_; }
  // Song files of all the types the readers keep.
  std::size_t SongCount() const { return songCount_; }
  const std::vector<UnreadableFolder>& Unreadable() const { return unreadable_; }
  // The songs of the type kSongExtensions[type], depth-first, until FindSongFiles takes them.
  const std::vector<SongPath>& Songs(std::size_t type) const { return songs_[type]; }

 private:
  friend void FindSongFiles(std::vector<SongPath>& target, LibraryTree& tree);
  std::vector<SongPath> songs_[kSongTypeCount];  // full paths, one list per song type
  std::size_t folderCount_ = 0;
  std::size_t songCount_ = 0;
  std::vector<UnreadableFolder> unreadable_;
};

// Moves the full path of every song of `tree` onto the end of `target`, in scan order. The
// songs can be taken once.
void FindSongFiles(std::vector<SongPath>& target, LibraryTree& tree);

enum class FolderEntries {
  kFromLibraryFile,  // entries that are empty or one character long are skipped
  kAsGiven,          // every folder is searched
};

// Reads the trees of `folders` one after another, keeping the songs of `types`, and hands
// each to `take` as soon as it is read: together, in scan order, they hold the songs
// ScanFolders lists. An entry holding a NUL byte names no folder and is skipped like a
// missing one. Returns the folders that could not be read, in the order met.
std::vector<UnreadableFolder> ScanEachFolder(const FileSystem& fileSystem,
                                             const std::vector<std::string>& folders,
                                             FolderEntries entries, SongTypes types,
                                             const std::function<void(LibraryTree&)>& take);

// Fills AllSongs with the songs of `types` in `folders`, in scan order, as ScanEachFolder
// finds them.
std::vector<UnreadableFolder> ScanFolders(SongLists& lists, const FileSystem& fileSystem,
                                          const std::vector<std::string>& folders,
                                          FolderEntries entries, SongTypes types = {});

struct RescanResult {
  bool libraryFileMissing = false;
  std::vector<UnreadableFolder> unreadableFolders;
};

// Empties AllSongs, IncorrectSongs and LibraryFolders, reloads the library
// file into LibraryFolders (marking it hidden) and fills AllSongs with the songs of
// `types`. Entries of the library file that are empty or one character long are skipped.
// Throws FileError when the library file exists but cannot be read.
RescanResult rescan(SongLists& lists, FileSystem& fileSystem, const std::string& libraryFile,
                    SongTypes types = {});

}  // namespace tunewick
