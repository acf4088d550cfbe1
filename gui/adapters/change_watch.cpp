#include "adapters/change_watch.h"

#include <QFile>
#include <vector>

#include "platform/file_system.h"

namespace tunewick {

ChangeWatch::ChangeWatch(const FileSystem& fileSystem, std::string root, QObject* parent)
    : QObject(parent), fileSystem_(fileSystem) {
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &ChangeWatch::OnFolderChanged);
  if (fileSystem_.FolderExists(root)) WatchTree(root);
}

void ChangeWatch::WatchTree(const std::string& folder) {
  std::vector<std::string> pending{folder};
  while (!pending.empty()) {
    std::string current = std::move(pending.back());
    pending.pop_back();
    FolderListing listing = fileSystem_.ListFolder(current);
    if (!listing.opened) continue;
    const bool isNew = watchedIds_.insert({listing.id.device, listing.id.inode}).second;
    if (!isNew && current != folder) continue;
    const QString key = QFile::decodeName(current.c_str());
    if (!watched_.contains(key) && watcher_.addPath(key)) watched_.insert(key, current);
    const std::string prefix = current.back() == '/' ? current : current + '/';
    for (const FolderEntry& entry : listing.entries)
      if (entry.isFolder) pending.push_back(prefix + entry.name);
  }
}

void ChangeWatch::OnFolderChanged(const QString& folder) {
  auto known = watched_.constFind(folder);
  if (known != watched_.constEnd()) {
    if (fileSystem_.FolderExists(*known)) {
      WatchTree(*known);  // picks up subfolders that have appeared
    } else {
      watcher_.removePath(folder);
      watched_.remove(folder);
    }
  }
  emit changed();
}

}  // namespace tunewick
