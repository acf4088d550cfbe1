#pragma once

// tunewick-cli: the tidy-up, the name check and naming from tags, from a terminal or a
// script, over the same core as the desktop program.

#include <functional>
#include <iosfwd>
#include <string>
#include <system_error>
#include <vector>

namespace tunewick {

class FileSystem;

inline constexpr int kExitDone = 0;
inline constexpr int kExitSomeRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitOutputLost = 3;  // the work was done, but its output was not written

struct CliStreams {
  std::ostream& out;
  std::ostream& err;
  // Where progress is shown, with the control sequences that redraw its line: the terminal
  // of standard error, when it is one.
  std::ostream* progress = nullptr;
  // Why writing to `out` failed, where the stream can tell; asked only after a failure.
  std::function<std::error_code()> outError = {};
};

// Runs one command line (without the program name) and returns the exit status.
int RunCli(const std::vector<std::string>& arguments, FileSystem& fileSystem, CliStreams streams);

}  // namespace tunewick
