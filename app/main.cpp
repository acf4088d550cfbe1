#include <QCoreApplication>
#include <QFile>

#include "app/tunewick_app.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/look.h"

int main(int argc, char** argv) {
  tunewick::Application application(argc, argv);
  // The application's title. (A display name is left unset: Qt would append it to every
  // window's caption.)
  tunewick::Application::setApplicationName(QStringLiteral("Tunewick"));
  tunewick::Application::setApplicationVersion(QStringLiteral(TUNEWICK_VERSION));
  // The program ends through its own close paths, never because a window was hidden.
  tunewick::Application::setQuitOnLastWindowClosed(false);
  tunewick::look::RegisterFonts();

  tunewick::QtDialogs dialogs;
  tunewick::AppPaths paths;
  paths.programFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
  tunewick::TunewickApp tunewick(tunewick::RealFileSystem(), dialogs, paths,
                                 [] { QCoreApplication::quit(); });
  tunewick.Start();
  return application.exec();
}
