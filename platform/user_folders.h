#pragma once

// The user's own folders, as the desktop names them.

#include <string>

namespace tunewick {

// The home folder: $HOME, else the one the user database gives.
std::string HomeFolder();

// Tunewick's configuration folder ($XDG_CONFIG_HOME/tunewick or ~/.config/tunewick). It
// may not exist yet.
std::string UserConfigFolder();

// The documents folder as `xdg-user-dir DOCUMENTS` names it, when that is an existing
// folder; else the home folder.
std::string DocumentsFolder();

// Creates the folder and any missing parents, new ones open to the user only. Throws
// FileError when that fails.
void MakeFolders(const std::string& folder);

}  // namespace tunewick
