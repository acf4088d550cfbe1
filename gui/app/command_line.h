#pragma once

// The desktop program's own command line. Qt's options (-platform, -style, ...) are taken
// out by the application object before these are read.

#include <string>
#include <string_view>
#include <vector>

namespace tunewick {

inline constexpr std::string_view kProgramUsage =
    "Usage: tunewick [--from-menu]\n"
    "\n"
    "Tidies the file names of a music collection into \"Artist Name - Song Name.ext\".\n"
    "The library file \"searchfolders\" lives in the current folder.\n"
    "\n"
    "Options:\n"
    "  --from-menu   keep the library file in the configuration folder,\n"
    "                $XDG_CONFIG_HOME/tunewick (created when missing), instead of the\n"
    "                current folder; the desktop menu's entry starts Tunewick so\n"
    "  --help        show this help\n"
    "  --version     show the version\n"
    "\n"
    "Qt's own options, such as -platform or -style, are accepted too.\n"
    "Exit status: 0, or 2 for a usage error.\n";

struct StartOptions {
  bool fromMenu = false;
  bool help = false;
  bool version = false;
  std::string error;  // a usage error, ready to show; empty when there is none
};

StartOptions ParseStartOptions(const std::vector<std::string>& arguments);

}  // namespace tunewick
