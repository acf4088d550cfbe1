#pragma once

#include <QWidget>

#include "app/app_context.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tunewick {

class LinkLabel;
class PictureButton;

// The dialog in which the user renames one song (SelectedSong) by typing its artist and
// title, pre-filled from the song's tags (ReadSongTags). It can also preview and delete
// the song. While it is shown the main window is hidden; every way out shows the main
// window again.
class CorrectionDialog : public QWidget {
  Q_OBJECT

 public:
  explicit CorrectionDialog(AppContext& context, QWidget* parent = nullptr);

  // "Fix this name": shows the dialog in place of the main window, the keyboard focus in
  // the song-name box, and fills the boxes from the song's tag.
  void Open();
  // "Rename song": renames the song to "artist - song name" in its own folder.
  void RenameSong();
  // "Delete this song", after the user has confirmed.
  void DeleteSong();
  // "&Cancel": empties the boxes and goes back to the main window.
  void Cancel();
  // "What's wrong?": unfolds the explanation; the dialog stays unfolded from then on.
  void ShowHelp();
  bool IsHelpShown() const;

  QLineEdit* fileNameBox() const { return fileName_; }
  QLineEdit* songNameBox() const { return songName_; }
  QLineEdit* artistBox() const { return artist_; }

 protected:
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildBoxes();
  void BuildHelpLink();
  void FillFromTag();
  void ShowFileName();
  void ClearBoxes();
  void BackToMainWindow();
  void Tell(const QString& text);

  AppContext& context_;
  bool shownBefore_ = false;
  QLineEdit* fileName_ = nullptr;
  QLineEdit* songName_ = nullptr;
  QLineEdit* artist_ = nullptr;
  PictureButton* helpIcon_ = nullptr;
  LinkLabel* helpLink_ = nullptr;
  QPlainTextEdit* explanation_ = nullptr;
};

}  // namespace tunewick
