#include "app/tunewick_app.h"

#include <QApplication>

#include "adapters/application.h"
#include "adapters/dialogs.h"
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
namespace {

template <typename Window>
Window* Create(std::vector<std::unique_ptr<QWidget>>& owned, AppContext& context) {
  auto window = std::make_unique<Window>(context);
  Window* raw = window.get();
  BehaveAsDesktopWindow(raw);
  owned.push_back(std::move(window));
  return raw;
}

}  // namespace

TunewickApp::TunewickApp(FileSystem& fileSystem, Dialogs& dialogs, MediaPlayer& mediaPlayer,
                         DesktopOpener& desktopOpener, AppPaths paths,
                         std::function<void()> requestTermination)
    : context_{lists_,
               gui_,
               navigator_,
               fileSystem,
               dialogs,
               mediaPlayer,
               desktopOpener,
               std::move(paths),
               std::move(requestTermination)} {
  Application::SetErrorReporter(
      [&dialogs](const QString& text) { dialogs.ShowMessage(QApplication::activeWindow(), text); });
  ExposeWindowsToScreenReaders();
  windows_.mainWindow = Create<MainWindow>(ownedWindows_, context_);
  windows_.correctionDialog = Create<CorrectionDialog>(ownedWindows_, context_);
  windows_.previewWindow = Create<PreviewWindow>(ownedWindows_, context_);
  windows_.aboutWindow = Create<AboutWindow>(ownedWindows_, context_);
  windows_.libraryEditor = Create<LibraryEditor>(ownedWindows_, context_);
  windows_.tidyupConfirmWindow = Create<TidyupConfirmWindow>(ownedWindows_, context_);
  windows_.tidyupResultsWindow = Create<TidyupResultsWindow>(ownedWindows_, context_);
  windows_.changedFilesWindow = Create<ChangedFilesWindow>(ownedWindows_, context_);
  windows_.historyWindow = Create<HistoryWindow>(ownedWindows_, context_);
}

TunewickApp::~TunewickApp() {
  Application::SetErrorReporter(nullptr);
  while (!ownedWindows_.empty()) ownedWindows_.pop_back();
}

void TunewickApp::Start() {
  CentreOnScreen(windows_.mainWindow);
  windows_.mainWindow->show();
}

}  // namespace tunewick
