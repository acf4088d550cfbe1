#include <QCoreApplication>
#include <QFile>

#include "app/tunewick_app.h"
#include "platform/application.h"
#include "platform/desktop_opener.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/look.h"
#include "platform/media_player.h"

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
  tunewick::QtMediaPlayer player;
  tunewick::QtDesktopOpener opener;
  tunewick::AppPaths paths;
  paths.programFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
  tunewick::TunewickApp tunewick(tunewick::RealFileSystem(), dialogs, player, opener, paths,
                                 [] { tunewick::Application::EndEventLoop(); });
  tunewick.Start();
  return application.exec();
}
