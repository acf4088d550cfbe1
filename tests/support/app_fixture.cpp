#include "support/app_fixture.h"

#include <QApplication>
#include <QTest>

#include "app/main_window.h"
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
  folder.MakeFile(libraryFileName, content);
}

void AppFixture::StartApp() {
  AppPaths paths;
  paths.libraryFile = LibraryFile();
  paths.watchRoot = folder / "rfMyComputer";
  paths.programFolder = folder.path();
  app = std::make_unique<TunewickApp>(RealFileSystem(), dialogs, paths,
                                      [this] { ++terminationRequests; });
  app->Start();
  ProcessEvents();
}

void AppFixture::ProcessEvents(int milliseconds) { QTest::qWait(milliseconds); }

}  // namespace tunewick::testing
