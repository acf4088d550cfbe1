#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "library/library_editor_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tunewick {

class LinkLabel;
class PictureButton;

// The window in which the user builds the music library: folders are typed or browsed
// for, added, taken back for editing or removed, and the song types chosen; "Continue"
// saves the folders to the library file and the choice of types to the settings file.
// Each time the window is shown again it starts over from the files, so changes the user
// left with the back arrow are dropped.
class LibraryEditor : public QWidget {
  Q_OBJECT

 public:
  explicit LibraryEditor(AppContext& context, QWidget* parent = nullptr);

  void SetHeading(const QString& text);
  QString Heading() const;

  // The folders listed, as path bytes, in the order shown.
  const std::vector<std::string>& Folders() const { return model_.Folders(); }
  // The editing box's content as path bytes.
  const std::string& TypedFolder() const { return model_.Text(); }

  PictureButton* backArrow() const { return backArrow_; }
  QLineEdit* textBox() const { return textBox_; }
  LinkLabel* browseLink() const { return browseLink_; }
  LinkLabel* addLink() const { return addLink_; }
  QListWidget* folderList() const { return folderList_; }
  LinkLabel* editLink() const { return editLink_; }
  LinkLabel* removeLink() const { return removeLink_; }
  QCheckBox* allTypesBox() const { return allTypes_; }
  QCheckBox* keepLibraryBox() const { return keepLibrary_; }
  QPushButton* continueButton() const { return continueButton_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  void BuildFolderBox();
  void BuildFolderList();
  void BuildFooter();
  void ConnectControls();
  void Reload();
  void ReloadSettings();
  void AddFolder(AddTrigger trigger);
  void BrowseForFolder();
  void EditFolder();
  void RemoveFolder();
  void Continue();
  void GoBack();
  void OnTextEdited();
  void OnSelectionChanged();

  // Brings the window in line with the model.
  void ShowText();
  void ShowFolders();
  void ShowSelection();
  void UpdateLinkLooks();
  void ShowMessage(const std::string& text);

  AppContext& context_;
  LibraryEditorModel model_;
  bool updating_ = false;  // the window is being brought in line with the model
  bool addHovered_ = false;
  bool editHovered_ = false;
  bool removeHovered_ = false;

  PictureButton* backArrow_ = nullptr;
  QLabel* heading_ = nullptr;
  QLineEdit* textBox_ = nullptr;
  LinkLabel* browseLink_ = nullptr;
  LinkLabel* addLink_ = nullptr;
  QListWidget* folderList_ = nullptr;
  LinkLabel* editLink_ = nullptr;
  LinkLabel* removeLink_ = nullptr;
  QCheckBox* allTypes_ = nullptr;
  QCheckBox* keepLibrary_ = nullptr;
  QPushButton* continueButton_ = nullptr;
};

}  // namespace tunewick
