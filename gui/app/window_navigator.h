#pragma once

#include "app/navigator.h"

namespace tunewick {

class MainWindow;
class CorrectionDialog;
class PreviewWindow;
class AboutWindow;
class LibraryEditor;
class TidyupConfirmWindow;
class TidyupResultsWindow;
class ChangedFilesWindow;
class HistoryWindow;

// The windows, filled in by the program in their creation order. Windows are created
// once and live until the program ends; a window may only reach the ones created
// before it while it is being built itself.
struct WindowRegistry {
  MainWindow* mainWindow = nullptr;
  CorrectionDialog* correctionDialog = nullptr;
  PreviewWindow* previewWindow = nullptr;
  AboutWindow* aboutWindow = nullptr;
  LibraryEditor* libraryEditor = nullptr;
  TidyupConfirmWindow* tidyupConfirmWindow = nullptr;
  TidyupResultsWindow* tidyupResultsWindow = nullptr;
  ChangedFilesWindow* changedFilesWindow = nullptr;
  HistoryWindow* historyWindow = nullptr;
};

// The navigation between the program's own windows.
class WindowNavigator : public Navigator {
 public:
  explicit WindowNavigator(const WindowRegistry& windows) : windows_(windows) {}

  QWidget* MainWindow() override;
  QWidget* WindowOf(PreviewAsker asker) override;
  void ShowMainWindow() override;
  void HideMainWindow() override;
  void ShowMainMenu() override;
  void OpenSongList() override;
  void LeaveSongList() override;
  void RefreshSongList() override;
  void ShowSongListAfterRename() override;
  void Rescan() override;
  void CheckNames() override;
  void ShowLibraryEditor() override;
  void WelcomeNewUser() override;
  void ShowTidyupConfirmation() override;
  void ShowTidyupResults() override;
  void RefreshTidyupResults() override;
  void ShowChangedFiles(ChangedFilesKind kind, TextList lines, std::size_t firstRow) override;
  void ShowAbout() override;
  void ShowHistory() override;
  void OpenCorrectionDialog() override;
  bool IsCorrectionDialogOpen() override;
  SongPreview& Preview() override;

 private:
  const WindowRegistry& windows_;
};

}  // namespace tunewick
