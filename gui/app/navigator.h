#pragma once

// How one of Tunewick's windows leads the user to another. A window reaches the others only
// through these two interfaces, never through their classes, so that each window can be
// read, changed and tested on its own.

#include "app/gui_state.h"

class QWidget;

namespace tunewick {

// Which window asked for a preview: the one shown again when the preview ends.
enum class PreviewAsker { kMainWindow, kCorrectionDialog };
// What the changed-files window lists: the renames of the last tidy-up, what a tidy-up
// would rename, what an undo put back, or what it would put back.
enum class ChangedFilesKind { kTidyup, kPreview, kUndone, kUndoPreview };

// The preview of the selected song.
class SongPreview {
 public:
  virtual ~SongPreview() = default;
  // Plays SelectedSong for `asker`; see PreviewWindow.
  virtual void RequestPreview(PreviewAsker asker) = 0;
  // Stops the player while the preview is showing, letting go of the song's file.
  virtual void Pause() = 0;
  // Stops the player and hides the preview.
  virtual void Dismiss() = 0;
  // Dismisses the preview if it is showing `song`, so that nothing plays a song that is
  // about to go.
  virtual void LetGoOf(const SongPath& song) = 0;
};

class Navigator {
 public:
  virtual ~Navigator() = default;

  // The main window, as the parent of the messages it causes.
  virtual QWidget* MainWindow() = 0;
  // The window that asked for a preview.
  virtual QWidget* WindowOf(PreviewAsker asker) = 0;

  // The main window as it was left: its menu or its song list.
  virtual void ShowMainWindow() = 0;
  virtual void HideMainWindow() = 0;
  // The main window's menu, wherever the song list was opened from.
  virtual void ShowMainMenu() = 0;
  // The song list with a fresh scan and name check.
  virtual void OpenSongList() = 0;
  // Back from the song list: to the tidy-up results when it was opened from there, else
  // to the main menu.
  virtual void LeaveSongList() = 0;
  // A fresh scan and name check of the song list, under the hourglass.
  virtual void RefreshSongList() = 0;
  // The song list as it is, refreshed once the correction dialog is out of sight: after
  // one song was renamed.
  virtual void ShowSongListAfterRename() = 0;
  // A fresh scan of the library into AllSongs; the library editor opens when the library
  // file is missing. Throws FileError when the library file cannot be read.
  virtual void Rescan() = 0;
  // The name check of AllSongs, shown in the song list.
  virtual void CheckNames() = 0;

  virtual void ShowLibraryEditor() = 0;
  // The library editor with a welcome, for a user who has no library yet.
  virtual void WelcomeNewUser() = 0;
  virtual void ShowTidyupConfirmation() = 0;
  // The tidy-up results, centred on the screen.
  virtual void ShowTidyupResults() = 0;
  // Brings the tidy-up results up to date when they are showing.
  virtual void RefreshTidyupResults() = 0;
  // Shows `lines` in the changed-files window, `firstRow` at the top; they stay there until
  // the window is shown again.
  virtual void ShowChangedFiles(ChangedFilesKind kind, TextList lines,
                                std::size_t firstRow = 0) = 0;
  virtual void ShowAbout() = 0;
  // The kept runs, to undo one of them.
  virtual void ShowHistory() = 0;
  // The correction dialog for SelectedSong.
  virtual void OpenCorrectionDialog() = 0;
  virtual bool IsCorrectionDialogOpen() = 0;
  virtual SongPreview& Preview() = 0;
};

}  // namespace tunewick
