#include <QCoreApplication>
#include <QFile>
#include <QIcon>
#include <iostream>

#include "adapters/application.h"
#include "adapters/desktop_opener.h"
#include "adapters/dialogs.h"
#include "adapters/media_player.h"
#include "app/command_line.h"
#include "app/tunewick_app.h"
#include "library/library_location.h"
#include "library/user_settings.h"
#include "platform/file_system.h"
#include "platform/journal_file.h"
#include "platform/standard_descriptors.h"
#include "platform/user_folders.h"
#include "widgets/look.h"

int main(int argc, char** argv) {
  // No file the program opens, a journal least of all, may take a closed standard stream's
  // place.
  if (!tunewick::FillClosedStandardDescriptors()) return 2;
  // Help and version answer before the application object, which needs a display.
  const tunewick::StartOptions early = tunewick::ParseStartOptions({argv + 1, argv + argc});
  if (early.help) {
    std::cout << tunewick::kProgramUsage;
    return 0;
  }
  if (early.version) {
    std::cout << "tunewick " TUNEWICK_VERSION "\n";
    return 0;
  }

  tunewick::Application application(argc, argv);
  const tunewick::StartOptions options = tunewick::ParseStartOptions({argv + 1, argv + argc});
  if (!options.error.empty()) {
    std::cerr << "tunewick: " << options.error << " (see tunewick --help)\n";
    return 2;
  }
  // The application's title. (A display name is left unset: Qt would append it to every
  // window's caption.)
  tunewick::Application::setApplicationName(QStringLiteral("Tunewick"));
  tunewick::Application::setApplicationVersion(QStringLiteral(TUNEWICK_VERSION));
  // Ties the windows to the desktop entry and its icon.
  tunewick::Application::setDesktopFileName(QStringLiteral(TUNEWICK_APP_ID));
  tunewick::Application::setWindowIcon(QIcon::fromTheme(QStringLiteral(TUNEWICK_APP_ID)));
  // The program ends through its own close paths, never because a window was hidden.
  tunewick::Application::setQuitOnLastWindowClosed(false);
  tunewick::look::RegisterFonts();

  tunewick::QtDialogs dialogs;
  tunewick::QtMediaPlayer player;
  tunewick::QtDesktopOpener opener;
  tunewick::AppPaths paths;
  paths.programFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
  paths.documentsFolder = tunewick::DocumentsFolder();
  const std::string configFolder = tunewick::UserConfigFolder();
  paths.settingsFile = tunewick::ConfigSettingsFile(configFolder);
  if (options.fromMenu) {
    try {
      tunewick::MakeFolders(configFolder);
    } catch (const tunewick::FileError& error) {
      // The library editor tells the user when it cannot save there.
      std::cerr << "tunewick: " << error.what() << '\n';
    }
    paths.libraryFile = tunewick::ConfigLibraryFile(configFolder);
  }
  paths.journalFolder = tunewick::DefaultJournalFolder();
  tunewick::TunewickApp tunewick(tunewick::RealFileSystem(), dialogs, player, opener, paths,
                                 [] { tunewick::Application::EndEventLoop(); });
  tunewick.Start();
  return application.exec();
}
