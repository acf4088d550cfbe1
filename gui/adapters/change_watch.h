#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <set>
#include <string>
#include <utility>

namespace tunewick {

class FileSystem;

// Watches a folder tree for files and folders that appear, vanish or are renamed.
// Subfolders that appear are watched too. A root that does not exist watches nothing.
class ChangeWatch : public QObject {
  Q_OBJECT

 public:
  ChangeWatch(const FileSystem& fileSystem, std::string root, QObject* parent = nullptr);

  int WatchedFolderCount() const { return static_cast<int>(watched_.size()); }

 signals:
  void changed();

 private:
  void WatchTree(const std::string& folder);
  void OnFolderChanged(const QString& folder);

  const FileSystem& fileSystem_;
  QFileSystemWatcher watcher_;
  // The watcher works in QString; keep each folder's own bytes beside it.
  QHash<QString, std::string> watched_;
  // Real folders (device, inode) already watched, so that links cannot loop.
  std::set<std::pair<std::uint64_t, std::uint64_t>> watchedIds_;
};

}  // namespace tunewick
