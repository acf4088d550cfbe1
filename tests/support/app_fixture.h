#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/tunewick_app.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_player.h"
#include "support/temp_folder.h"

namespace tunewick::testing {

// A whole Tunewick on the offscreen platform, working in a temporary folder: the library
// file is `folder/searchfolders`, the change watch root `folder/rfMyComputer`.
class AppFixture : public ::testing::Test {
 protected:
  ~AppFixture() override;

  // Writes the library file with these lines (CR LF after each).
  void WriteLibrary(const std::vector<std::string>& folders);
  // Creates the program's windows, as the program does at start, and shows the main window.
  void StartApp();
  // Lets queued events and timers run for a moment; every timer shorter than the moment
  // has fired on return. For anything slower, wait for its result with QTest::qWaitFor.
  static void ProcessEvents(int milliseconds = 20);
  // Runs `action` in the program's event loop; true when the program ended through it
  // (within ten seconds).
  static bool EndsTheProgram(const std::function<void()>& action);

  std::string LibraryFile() const { return folder / "searchfolders"; }

  TempFolder folder;
  ScriptedDialogs dialogs;
  ScriptedMediaPlayer player;
  ScriptedDesktopOpener desktopOpener;
  // Every request to end the program; one made in an event loop ends that loop for real.
  int terminationRequests = 0;
  std::unique_ptr<TunewickApp> app;
};

}  // namespace tunewick::testing

class QAbstractButton;
class QLabel;
class QWidget;

namespace tunewick {
class LinkLabel;
}

namespace tunewick::testing {

// The visible-text widgets below `root` with exactly this text (nullptr when none).
QLabel* FindLabel(const QWidget* root, const QString& text);
LinkLabel* FindLink(const QWidget* root, const QString& text);
QAbstractButton* FindButton(const QWidget* root, const QString& text);

}  // namespace tunewick::testing
