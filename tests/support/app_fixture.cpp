#include "support/app_fixture.h"

#include <QApplication>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "app/main_window.h"
#include "platform/application.h"
#include "platform/file_system.h"

namespace tunewick::testing {

AppFixture::~AppFixture() {
  app.reset();
  QApplication::restoreOverrideCursor();
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
  paths.watchRoot = folder / "rfMyComputer";
  paths.programFolder = folder.path();
  paths.journalFolder = folder / "state/tunewick";
  app = std::make_unique<TunewickApp>(RealFileSystem(), dialogs, player, desktopOpener, paths,
                                      [this] {
                                        ++terminationRequests;
                                        // Outside an event loop, exit() would end the next one.
                                        if (QThread::currentThread()->loopLevel() > 0)
                                          Application::EndEventLoop();
                                      });
  app->Start();
  ProcessEvents();
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

}  // namespace tunewick::testing

#include <QAbstractButton>
#include <QLabel>

#include "platform/link_label.h"

namespace tunewick::testing {

QLabel* FindLabel(const QWidget* root, const QString& text) {
  for (QLabel* label : root->findChildren<QLabel*>())
    if (label->text() == text) return label;
  return nullptr;
}

LinkLabel* FindLink(const QWidget* root, const QString& text) {
  for (LinkLabel* link : root->findChildren<LinkLabel*>())
    if (link->text() == text) return link;
  return nullptr;
}

QAbstractButton* FindButton(const QWidget* root, const QString& text) {
  for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
    if (button->text() == text) return button;
  return nullptr;
}

}  // namespace tunewick::testing
