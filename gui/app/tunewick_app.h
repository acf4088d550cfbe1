#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "app/app_context.h"
#include "app/window_navigator.h"

namespace tunewick {

// Tunewick's windows and the state they share, created once in a fixed order: the
// main window first, then the correction dialog, the preview window, the About window,
// the library editor, the tidy-up confirmation, the tidy-up results and the list of
// changed files. They live until the program ends.
class TunewickApp {
 public:
  TunewickApp(FileSystem& fileSystem, Dialogs& dialogs, MediaPlayer& mediaPlayer,
              DesktopOpener& desktopOpener, AppPaths paths,
              std::function<void()> requestTermination);
  ~TunewickApp();
  TunewickApp(const TunewickApp&) = delete;
  TunewickApp& operator=(const TunewickApp&) = delete;

  // Shows the main window, centred on the screen.
  void Start();

  SongLists& lists() { return lists_; }
  GuiState& gui() { return gui_; }
  WindowRegistry& windows() { return windows_; }
  AppContext& context() { return context_; }

 private:
  SongLists lists_;
  GuiState gui_;
  WindowRegistry windows_;
  WindowNavigator navigator_{windows_};
  AppContext context_;
  // Destroyed in reverse creation order.
  std::vector<std::unique_ptr<QWidget>> ownedWindows_;
};

}  // namespace tunewick
