#pragma once

// The user's own folders, as the desktop names them.

#include <string>
#include <string_view>

namespace tunewick {

// The home folder: $HOME, else the one the user database gives.
std::string HomeFolder();
// The home folder for what the process keeps of its own, its journals: HomeFolder(),
// unless that folder belongs to another user, as the user's $HOME does for root started
// by sudo keeping it; what root made there, the user could change no more. The process's
// own home folder from the user database then, where it has one.
std::string OwnHomeFolder();

// Tunewick's configuration folder ($XDG_CONFIG_HOME/tunewick or ~/.config/tunewick). It
// may not exist yet.
std::string UserConfigFolder();

// `folder`/`name`, with one "/" between them.
std::string PathBelow(std::string_view folder, std::string_view name);

// Tunewick's configuration folder for these values: $XDG_CONFIG_HOME/tunewick, or
// ~/.config/tunewick when XDG_CONFIG_HOME is unset, empty or relative (relative values are
// invalid by the XDG rule).
std::string ConfigFolderFor(std::string_view xdgConfigHome, std::string_view home);

// The documents folder as `xdg-user-dir DOCUMENTS` names it, when that is an existing
// folder; else the home folder.
std::string DocumentsFolder();

// Creates the folder and any missing parents, new ones open to the user only. Throws
// FileError when that fails.
void MakeFolders(const std::string& folder);

}  // namespace tunewick
