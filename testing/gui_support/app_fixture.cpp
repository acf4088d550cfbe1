#include "gui_support/app_fixture.h"

#include <QThread>
#include <QTimer>

#include "adapters/application.h"

namespace tunewick::testing {

AppFixture::~AppFixture() {
  app.reset();
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void AppFixture::WriteLibrary(const std::vector<std::string>& folders) {
  std::string content;
  for (const std::string& line : folders) content += line + "\r\n";
  folder.MakeFile("searchfolders", content);
}

void AppFixture::StartApp() {
  AppPaths paths;
  paths.libraryFile = LibraryFile();
  paths.settingsFile = SettingsFile();
  paths.watchRoot = folder / "rfMyComputer";
  paths.programFolder = folder.path();
  paths.journalFolder = journalFolder.empty() ? folder / "state/tunewick" : journalFolder;
  app = std::make_unique<TunewickApp>(disk, dialogs, player, desktopOpener, paths, [this] {
    ++terminationRequests;
    // Outside an event loop, exit() would end the next one.
    if (QThread::currentThread()->loopLevel() > 0) Application::EndEventLoop();
  });
  app->Start();
  ProcessEvents();
}

void AppFixture::StartWithSongs(const std::vector<SongFile>& songs) {
  music = folder.MakeFolder("music");
  for (const SongFile& song : songs) folder.MakeFile("music/" + song.name, song.content);
  WriteLibrary({music});
  StartApp();
}

std::string AppFixture::OnScreen() const {
  const WindowRegistry& w = app->windows();
  const QWidget* windows[] = {w.mainWindow,          w.correctionDialog,   w.previewWindow,
                              w.aboutWindow,         w.libraryEditor,      w.tidyupConfirmWindow,
                              w.tidyupResultsWindow, w.changedFilesWindow, w.historyWindow};
  const char* names[] = {"main",    "dialog",  "preview", "about",  "editor",
                         "confirm", "results", "changes", "history"};
  std::string shown;
  for (std::size_t i = 0; i < std::size(windows); ++i)
    if (windows[i]->isVisible()) shown += (shown.empty() ? "" : " ") + std::string(names[i]);
  return shown;
}

void AppFixture::ProcessEvents(int milliseconds) {
  QTest::qWait(milliseconds);
  // qWait may return without another pass when a loaded machine held the process past its
  // deadline: deliver every timer and event that came due meanwhile.
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool AppFixture::EndsTheProgram(const std::function<void()>& action) {
  bool ended = true;
  QTimer start, timeout;  // both go with this call
  for (QTimer* timer : {&start, &timeout}) timer->setSingleShot(true);
  QObject::connect(&start, &QTimer::timeout, action);
  QObject::connect(&timeout, &QTimer::timeout, [&ended] {
    ended = false;
    QCoreApplication::exit(1);
  });
  start.start(0);
  timeout.start(10000);
  QCoreApplication::exec();
  return ended;
}

void Click(QWidget* control) {
  ASSERT_NE(control, nullptr);
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->click();
  QTest::mouseClick(control, Qt::LeftButton);
}

void Press(QWidget* window, Qt::Key key) {
  QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, key);
}

void Click(const QWidget* root, const QString& textOrHint) {
  for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
    if (button->text() == textOrHint || button->toolTip() == textOrHint) return Click(button);
  QWidget* link = Find<LinkLabel>(root, textOrHint);
  EXPECT_NE(link, nullptr) << textOrHint.toStdString();
  if (link) Click(link);
}

}  // namespace tunewick::testing
