#pragma once

// The report of a tidy-up: how many renames each step made, and the list of every
// rename grouped by step.

#include <array>
#include <string>
#include <string_view>

#include "catalogue/song_lists.h"
#include "platform/file_system.h"

namespace tunewick {

struct StepReport {
  const TextList SongLists::*log;
  std::string_view counterCaption;  // "Prefixes Removed"
  std::string_view listHeading;     // "The following had prefixes removed"
};

// The five logs in the order the results window shows their counters.
extern const std::array<StepReport, 5> kCounterOrder;
// The five logs in the order the changed-files list shows them.
extern const std::array<StepReport, 5> kListOrder;

inline constexpr std::string_view kFailuresHeading = "The following could not be renamed";

// "'old' could not be renamed to 'new': reason"
std::string FailureLine(const RenameFailure& failure);

// True when some step renamed something.
bool AnySongRenamed(const SongLists& lists);

// For each step that renamed something, in list order: its heading and its lines, an
// empty line between steps; then the renames that were refused, under their heading.
TextList BuildChangedFilesList(const SongLists& lists);

// The folder the save dialog proposes: the program's folder when this user may write there
// (a build folder), else the documents folder (an installed program's folder is /usr/bin).
std::string ProposedLogFolder(const FileSystem& fileSystem, const std::string& programFolder,
                              const std::string& documentsFolder);

// Where a saved list goes: the chosen name with ".txt" appended unless it already ends
// in ".txt" (in any letter case).
std::string LogFileName(const std::string& chosen);

// Writes the lines to LogFileName(chosen), one per line, replacing an existing file.
// Returns the path written. Throws FileError ("Cannot create file "..." reason").
std::string SaveChangedFilesList(FileSystem& fileSystem, const std::string& chosen,
                                 const TextList& lines);

}  // namespace tunewick
