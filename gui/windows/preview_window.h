#pragma once

#include <QTimer>
#include <QWidget>

#include "app/app_context.h"

class QLabel;

namespace tunewick {

class PictureButton;

// The window that plays a song so the user can hear what it is, a dialog of the window that
// asked. Its width follows the song's path, which it shows centred above a back and a play
// button, up to the width of the screen: a longer path loses its middle.
class PreviewWindow : public QWidget, public SongPreview {
  Q_OBJECT

 public:
  explicit PreviewWindow(AppContext& context, QWidget* parent = nullptr);

  // Plays SelectedSong when it is previewable (IsPreviewable: every song type, and MIDI).
  // Another ending is ignored when the main window asks, and shown in a message when the
  // correction dialog asks. What the player cannot open or play goes to the desktop's
  // own "open", and the asking window is shown again.
  void RequestPreview(PreviewAsker asker) override;

  // Stops the player, letting go of the song's file.
  void StopPlayer();
  void Pause() override;
  void Dismiss() override;
  void LetGoOf(const SongPath& song) override;

  // The window that asked for the last preview that reached the player.
  PreviewAsker PreviewOpener() const { return opener_; }
  QLabel* pathLabel() const { return pathLabel_; }
  QWidget* buttonPanel() const { return buttons_; }

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void PlayFailed(PreviewAsker asker);
  void PlayAgain();
  // The path in the label, whole or, when the asker's screen is too narrow for it, cut.
  void ShowPath(const QString& path, const QWidget& asker);
  void CentreLabel();
  void FitWindow();
  void CentreButtons();

  AppContext& context_;
  QLabel* pathLabel_ = nullptr;
  QWidget* buttons_ = nullptr;
  PreviewAsker opener_ = PreviewAsker::kMainWindow;
  SongPath song_;       // the song last handed to the player
  QTimer centreTimer_;  // 1 ms after activation: centre the window on the screen
  QTimer settleTimer_;  // 50 ms after activation: fit the window to a label set meanwhile
  QTimer layoutTimer_;  // every second, for the program's whole life
};

}  // namespace tunewick
