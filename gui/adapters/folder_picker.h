#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QStandardItem;
class QStandardItemModel;
class QTreeView;

namespace tunewick {

class FileSystem;

// Picks a folder by its path bytes. It lists every folder, those whose names are not
// UTF-8 too (shown as ShownText shows them; Qt's own file dialog leaves them out), and
// gives back the exact bytes of the one chosen. Folders are read when first opened.
class FolderPicker : public QDialog {
 public:
  FolderPicker(const FileSystem& fileSystem, const QString& title, const std::string& root,
               QWidget* parent = nullptr);

  // The selected folder; nothing when none is.
  std::optional<std::string> Selected() const;
  // Opens the folders on the way to `path` (below the root) and selects it; false when it
  // is not there.
  bool Reveal(const std::string& path);

  QTreeView* tree() const { return tree_; }

 private:
  QStandardItem* AddFolder(QStandardItem* parent, const std::string& path, const QString& shown);
  // Lists the subfolders of `item` the first time it is opened.
  void Fill(QStandardItem* item);

  const FileSystem& fileSystem_;
  QStandardItemModel* model_ = nullptr;
  QTreeView* tree_ = nullptr;
};

}  // namespace tunewick
