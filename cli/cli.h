#pragma once

// tunewick-cli: the tidy-up, the name check and naming from tags, from a terminal or a
// script, over the same core as the desktop program.

#include <iosfwd>
#include <string>
#include <vector>

namespace tunewick {

class FileSystem;

inline constexpr int kExitDone = 0;
inline constexpr int kExitSomeRefused = 1;
inline constexpr int kExitUsage = 2;

struct CliStreams {
  std::ostream& out;
  std::ostream& err;
  bool showProgress = false;  // standard error is a terminal
};

// Runs one command line (without the program name) and returns the exit status.
int RunCli(const std::vector<std::string>& arguments, FileSystem& fileSystem, CliStreams streams);

}  // namespace tunewick
