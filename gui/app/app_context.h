#pragma once

// What every window of Tunewick can reach: the song lists and the windows' own state, the way
// to the other windows, and the services of the platform.

#include <functional>
#include <string>

#include "app/gui_state.h"
#include "app/navigator.h"
#include "catalogue/song_lists.h"

namespace tunewick {

class FileSystem;
class Dialogs;
class MediaPlayer;
class DesktopOpener;

struct AppPaths {
  std::string libraryFile = "searchfolders";  // in the working directory, or a full path
  std::string settingsFile;                   // the settings shared with tunewick-cli
  std::string watchRoot = "rfMyComputer";     // the tree the change watch follows
  std::string programFolder;                  // where the program file lies
  std::string documentsFolder;                // where a log goes when not beside the program
  std::string journalFolder;                  // where the journals of runs are kept
};

struct AppContext {
  SongLists& lists;      // the songs and the tidy-up logs, as the core leaves them
  GuiState& gui;         // what the windows remember between them
  Navigator& navigator;  // the way to the other windows
  FileSystem& fileSystem;
  Dialogs& dialogs;
  // The song preview's player, and the desktop's "open" for what it cannot play.
  MediaPlayer& mediaPlayer;
  DesktopOpener& desktopOpener;
  AppPaths paths;
  // Ends the program once control returns to the event loop.
  std::function<void()> requestTermination;
};

}  // namespace tunewick
