#include "app/window_navigator.h"

#include "app/about_window.h"
#include "app/main_window.h"
#include "widgets/window_behaviour.h"
#include "windows/changed_files_window.h"
#include "windows/correction_dialog.h"
#include "windows/history_window.h"
#include "windows/library_editor.h"
#include "windows/preview_window.h"
#include "windows/tidyup_confirm_window.h"
#include "windows/tidyup_results_window.h"

namespace tunewick {

QWidget* WindowNavigator::MainWindow() { return windows_.mainWindow; }

QWidget* WindowNavigator::WindowOf(PreviewAsker asker) {
  if (asker == PreviewAsker::kCorrectionDialog) return windows_.correctionDialog;
  return windows_.mainWindow;
}

void WindowNavigator::ShowMainWindow() { windows_.mainWindow->show(); }

void WindowNavigator::HideMainWindow() { windows_.mainWindow->hide(); }

void WindowNavigator::ShowMainMenu() { windows_.mainWindow->ShowMainMenu(); }

void WindowNavigator::OpenSongList() { windows_.mainWindow->OpenSongList(); }

void WindowNavigator::LeaveSongList() { windows_.mainWindow->LeaveSongList(); }

void WindowNavigator::RefreshSongList() { windows_.mainWindow->RefreshSongList(); }

void WindowNavigator::ShowSongListAfterRename() {
  windows_.mainWindow->ArmRefreshTimer();
  windows_.mainWindow->show();
  windows_.mainWindow->ShowSongListScreen();
}

void WindowNavigator::Rescan() { windows_.mainWindow->rescan(); }

void WindowNavigator::CheckNames() { windows_.mainWindow->ClassifySongs(); }

void WindowNavigator::ShowLibraryEditor() { windows_.libraryEditor->show(); }

void WindowNavigator::WelcomeNewUser() {
  windows_.libraryEditor->show();
  windows_.libraryEditor->SetHeading(
      QStringLiteral("Welcome to Tunewick!  Add folders to your Music library to begin"));
}

void WindowNavigator::ShowTidyupConfirmation() { windows_.tidyupConfirmWindow->show(); }

void WindowNavigator::ShowTidyupResults() {
  windows_.tidyupResultsWindow->show();
  CentreOnScreen(windows_.tidyupResultsWindow);
}

void WindowNavigator::RefreshTidyupResults() {
  if (windows_.tidyupResultsWindow->isVisible()) windows_.tidyupResultsWindow->Refresh();
}

void WindowNavigator::ShowChangedFiles(ChangedFilesKind kind, TextList lines,
                                       std::size_t firstRow) {
  // The list belongs to the window it was asked from: the confirmation shows what the
  // tidy-up would do, the history window what undo would do or did, the results the rest.
  QWidget* owner = windows_.tidyupResultsWindow;
  if (kind == ChangedFilesKind::kPreview) owner = windows_.tidyupConfirmWindow;
  if (kind == ChangedFilesKind::kUndoPreview ||
      (kind == ChangedFilesKind::kUndone && windows_.historyWindow->isVisible()))
    owner = windows_.historyWindow;
  TieTo(windows_.changedFilesWindow, owner);
  windows_.changedFilesWindow->ShowList(kind, std::move(lines), firstRow);
}

void WindowNavigator::ShowAbout() {
  TieTo(windows_.aboutWindow, windows_.mainWindow);
  windows_.aboutWindow->show();
}

void WindowNavigator::ShowHistory() { windows_.historyWindow->Open(); }

void WindowNavigator::OpenCorrectionDialog() { windows_.correctionDialog->Open(); }

bool WindowNavigator::IsCorrectionDialogOpen() { return windows_.correctionDialog->isVisible(); }

SongPreview& WindowNavigator::Preview() { return *windows_.previewWindow; }

}  // namespace tunewick
