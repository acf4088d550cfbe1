#include "catalogue/library_scan.h"

#include <algorithm>
#include <unordered_set>

#include "library/library_file.h"

namespace tunewick {
namespace {

struct FolderIdHash {
  std::size_t operator()(const FolderId& id) const {
    return std::hash<std::uint64_t>()(id.inode * 1000003u ^ id.device);
  }
};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int SongMaskIndex(std::string_view fileName) {
  for (std::size_t i = 0; i < std::size(kSongMasks); ++i)
    if (MatchesSongMask(fileName, kSongMasks[i])) return static_cast<int>(i);
  return -1;
}

// Missing folders and paths that are no folder are skipped without a word; anything else
// that keeps a folder shut is worth telling.
bool IsUnreadable(std::error_code error) {
  return error && error != std::errc::no_such_file_or_directory &&
         error != std::errc::not_a_directory;
}

}  // namespace

bool MatchesSongMask(std::string_view fileName, std::string_view mask) {
  std::string_view extension = mask.substr(1);  // "*.mp3" -> ".mp3"
  if (fileName.size() < extension.size()) return false;
  std::string_view tail = fileName.substr(fileName.size() - extension.size());
  for (std::size_t i = 0; i < extension.size(); ++i)
    if (LowerAscii(tail[i]) != LowerAscii(extension[i])) return false;
  return true;
}

LibraryTree::LibraryTree(const FileSystem& fileSystem, const std::string& folder) {
  std::string root = folder;
  if (root.empty() || root.back() != '/') root += '/';
  folders_.push_back({std::move(root), {}, {}});

  // Depth-first in the order the songs are listed, so that of two routes to one real
  // folder the one met first in that order is the one that is kept.
  std::unordered_set<FolderId, FolderIdHash> entered;
  std::vector<std::size_t> pending{0};
  while (!pending.empty()) {
    std::size_t index = pending.back();
    pending.pop_back();
    FolderListing listing = fileSystem.ListFolder(folders_[index].path);
    if (!listing.opened) {
      if (IsUnreadable(listing.error)) {
        const std::string& path = folders_[index].path;
        unreadable_.push_back(
            {path.size() > 1 ? path.substr(0, path.size() - 1) : path, listing.error});
      }
      continue;
    }
    if (!entered.insert(listing.id).second) continue;

    const std::size_t firstChild = folders_.size();
    for (FolderEntry& entry : listing.entries) {
      if (entry.isFile) {
        int mask = SongMaskIndex(entry.name);
        if (mask >= 0) {
          folders_[index].songs[mask].push_back(std::move(entry.name));
          ++songCount_;
        }
      } else if (entry.isFolder && entry.name[0] != '.') {
        const std::string& parent = folders_[index].path;
        std::string path;
        path.reserve(parent.size() + entry.name.size() + 1);
        path.append(parent).append(entry.name) += '/';
        folders_[index].subfolders.push_back(folders_.size());
        folders_.push_back({std::move(path), {}, {}});
      }
    }
    for (std::size_t child = folders_.size(); child > firstChild; --child)
      pending.push_back(child - 1);
  }
}

void FindSongFiles(std::vector<SongPath>& target, const LibraryTree& tree, std::string_view mask) {
  int maskIndex = -1;
  for (std::size_t i = 0; i < std::size(kSongMasks); ++i)
    if (kSongMasks[i] == mask) maskIndex = static_cast<int>(i);
  if (maskIndex < 0 || tree.folders_.empty()) return;

  std::vector<std::size_t> pending{0};
  while (!pending.empty()) {
    const LibraryTree::Folder& folder = tree.folders_[pending.back()];
    pending.pop_back();
    for (const std::string& name : folder.songs[maskIndex]) {
      std::string& path = target.emplace_back();
      path.reserve(folder.path.size() + name.size());
      path.append(folder.path).append(name);
    }
    for (auto child = folder.subfolders.rbegin(); child != folder.subfolders.rend(); ++child)
      pending.push_back(*child);
  }
}

std::vector<UnreadableFolder> ScanFolders(SharedState& state, const FileSystem& fileSystem,
                                          const std::vector<std::string>& folders,
                                          FolderEntries entries) {
  state.AllSongs.clear();
  state.SearchBatch.clear();
  // Each search's songs go straight onto the end of AllSongs; SearchBatch ends up holding
  // the last search's songs, as if every search had passed through it.
  std::vector<SongPath>& songs = state.AllSongs;
  std::size_t lastBatch = 0;
  bool searched = false;
  std::vector<UnreadableFolder> unreadable;
  for (const std::string& folder : folders) {
    if (entries == FolderEntries::kFromLibraryFile && folder.size() <= 1) continue;
    // The system would take such a path to end at the NUL: some other folder.
    if (folder.find('\0') != std::string::npos) continue;
    const LibraryTree tree(fileSystem, folder);
    unreadable.insert(unreadable.end(), tree.Unreadable().begin(), tree.Unreadable().end());
    const std::size_t needed = songs.size() + tree.SongCount();
    if (needed > songs.capacity()) songs.reserve(std::max(needed, 2 * songs.capacity()));
    for (std::string_view mask : kSongMasks) {
      lastBatch = songs.size();
      FindSongFiles(songs, tree, mask);
      searched = true;
    }
  }
  if (searched) state.SearchBatch.assign(songs.begin() + lastBatch, songs.end());
  return unreadable;
}

RescanResult rescan(SharedState& state, FileSystem& fileSystem, const std::string& libraryFile) {
  state.AllSongs.clear();
  state.SearchBatch.clear();
  state.IncorrectSongs.clear();
  state.LibraryFolders.clear();

  RescanResult result;
  result.libraryFileMissing =
      !LoadLibraryFile(fileSystem, libraryFile, LibraryRead::kMainWindow, state.LibraryFolders);
  result.unreadableFolders =
      ScanFolders(state, fileSystem, state.LibraryFolders, FolderEntries::kFromLibraryFile);
  return result;
}

void renamefiles(SharedState& state, FileSystem& fileSystem, const std::string& libraryFile) {
  state.AllSongs.clear();
  state.IncorrectSongs.clear();
  state.SearchBatch.clear();
  state.LibraryFolders.clear();
  LoadLibraryFile(fileSystem, libraryFile, LibraryRead::kReload, state.LibraryFolders);
  state.IncorrectSongs.clear();
}

}  // namespace tunewick
