#pragma once

// The songs of the library and the logs of the last tidy-up, as the scan, the name check
// and the tidy-up leave them for the front ends to show. Paths are bytes: a "/"-separated
// folder, subfolders, file name.

#include <string>
#include <vector>

namespace tunewick {

using SongPath = std::string;
using TextList = std::vector<std::string>;

// A rename the file system refused during the tidy-up.
struct RenameFailure {
  SongPath from;
  SongPath to;
  std::string reason;  // the system's text, e.g. "File exists"
};

struct SongLists {
  // Songs found by the last scan, in scan order.
  std::vector<SongPath> AllSongs;
  // The songs of AllSongs whose file name does not hold exactly one "-".
  std::vector<SongPath> IncorrectSongs;
  // The library file's lines as last read, empty lines included.
  TextList LibraryFolders;

  // The tidy-up's per-step rename logs.
  TextList PrefixLog, UnderscoreLog, BracketLog, CapitalLog, DashLog;
  // The renames of the last tidy-up that the file system refused, in the order tried.
  std::vector<RenameFailure> RenameFailures;
};

}  // namespace tunewick
