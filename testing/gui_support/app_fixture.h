#pragma once

// What every window test starts from: a whole Tunewick, its windows and the means to
// find and press their controls.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <functional>
#include <memory>

#include "app/about_window.h"
#include "app/main_window.h"
#include "app/tunewick_app.h"
#include "gui_support/scripted_dialogs.h"
#include "gui_support/scripted_player.h"
#include "platform/file_system.h"
#include "platform/forwarding_file_system.h"
#include "support/temp_folder.h"
#include "widgets/link_label.h"
#include "widgets/song_list_view.h"
#include "windows/changed_files_window.h"
#include "windows/correction_dialog.h"
#include "windows/history_window.h"
#include "windows/library_editor.h"
#include "windows/preview_window.h"
#include "windows/tidyup_confirm_window.h"
#include "windows/tidyup_results_window.h"

namespace tunewick::testing {

using Messages = std::vector<QString>;
using Songs = std::vector<SongPath>;

// A song file to create: its name and its bytes.
struct SongFile {
  SongFile(const char* name) : name(name) {}
  SongFile(std::string name, std::string content = {})
      : name(std::move(name)), content(std::move(content)) {}
  std::string name;
  std::string content;
};

// The machine's file system, calling `afterRename` after each rename it made, on the
// windows' thread: one folder is renamed at a time, wherever the tests run.
class WatchedDisk final : public ForwardingFileSystem {
 public:
  WatchedDisk() : ForwardingFileSystem(RealFileSystem()) {}
  std::size_t FoldersRenamedAtOnce(const std::string&) const override { return 1; }
  std::error_code Rename(const std::string& from, const std::string& to) override {
    const std::error_code error = disk_.Rename(from, to);
    if (!error && afterRename) afterRename();
    return error;
  }
  std::function<void()> afterRename;
};

// A whole Tunewick on the offscreen platform, working in a temporary folder: the library
// file is `folder/searchfolders`, the change watch root `folder/rfMyComputer`.
class AppFixture : public ::testing::Test {
 protected:
  ~AppFixture() override;
  // No handler leaves the hourglass on.
  void TearDown() override { EXPECT_EQ(QApplication::overrideCursor(), nullptr); }

  // Writes the library file with these lines (CR LF after each).
  void WriteLibrary(const std::vector<std::string>& folders);
  // Creates the program's windows, as the program does at start, and shows the main window.
  void StartApp();
  // Starts on a library of one folder, `music`, holding these songs.
  void StartWithSongs(const std::vector<SongFile>& songs);
  std::string Song(const std::string& name) const { return music + "/" + name; }
  std::string LibraryFile() const { return folder / "searchfolders"; }
  std::string SettingsFile() const { return folder / "config/tunewick/settings"; }

  // Lets queued events and timers run for a moment; every timer shorter than the moment
  // has fired on return. For anything slower, wait for its result with QTest::qWaitFor.
  static void ProcessEvents(int milliseconds = 20);
  // Runs `action` in the program's event loop; true when the program ended through it
  // (within ten seconds).
  static bool EndsTheProgram(const std::function<void()>& action);

  // The program's windows on screen, in creation order: "main", "dialog" (correction),
  // "preview", "about", "editor" (library), "confirm", "results", "changes" (the list) and
  // "history".
  std::string OnScreen() const;
  MainWindow* main() const { return app->windows().mainWindow; }
  LibraryEditor* editor() const { return app->windows().libraryEditor; }
  CorrectionDialog* dialog() const { return app->windows().correctionDialog; }
  PreviewWindow* preview() const { return app->windows().previewWindow; }
  TidyupConfirmWindow* confirm() const { return app->windows().tidyupConfirmWindow; }
  TidyupResultsWindow* results() const { return app->windows().tidyupResultsWindow; }
  ChangedFilesWindow* changedFiles() const { return app->windows().changedFilesWindow; }
  HistoryWindow* history() const { return app->windows().historyWindow; }

  TempFolder folder;
  WatchedDisk disk;           // the program's
  std::string music;          // the library's folder after StartWithSongs
  std::string journalFolder;  // where StartApp keeps the journals; empty: folder/state/tunewick
  ScriptedDialogs dialogs;
  ScriptedMediaPlayer player;
  ScriptedDesktopOpener desktopOpener;
  // Every request to end the program; one made in an event loop ends that loop for real.
  int terminationRequests = 0;
  std::unique_ptr<TunewickApp> app;
};

// The widget of this kind below `root` with exactly this text (nullptr when none).
template <typename Widget>
Widget* Find(const QWidget* root, const QString& text) {
  for (Widget* widget : root->findChildren<Widget*>())
    if (widget->text() == text) return widget;
  return nullptr;
}

// Presses `control`, which must exist: a button is clicked, anything else gets a left
// mouse click.
void Click(QWidget* control);
// Presses the button (found by its text or hint) or the link below `root`.
void Click(const QWidget* root, const QString& textOrHint);
// Presses `key` where the keyboard focus is in `window`, as the user would.
void Press(QWidget* window, Qt::Key key);

}  // namespace tunewick::testing
