#pragma once

// The lists and flags that Tunewick's windows share. One instance lives as long as the
// program; the windows reach it through their AppContext and the core operations take
// it by reference. Paths are bytes: a "/"-separated folder, subfolders, file name.

#include <string>
#include <vector>

namespace tunewick {

using SongPath = std::string;
using TextList = std::vector<std::string>;

inline constexpr const char* kReturnToMainMenu = "mainmenu";
inline constexpr const char* kReturnToSongList = "renamefiles";
inline constexpr const char* kSongListFromTidyup = "tidyup";

// A rename the file system refused during the tidy-up.
struct RenameFailure {
  SongPath from;
  SongPath to;
  std::string reason;  // the system's text, e.g. "File exists"
};

struct SharedState {
  // Songs found by the last scan, in scan order.
  std::vector<SongPath> AllSongs;
  // The songs of AllSongs whose file name does not hold exactly one "-".
  std::vector<SongPath> IncorrectSongs;
  // The library file's lines as last read, empty lines included.
  TextList LibraryFolders;
  // The result of the last single folder search of a scan.
  std::vector<SongPath> SearchBatch;

  // Scratch lists of the tidy-up's steps, and the bracket step's copy of AllSongs.
  TextList WorkListA, WorkListB, WorkListC, WorkListD;
  std::vector<SongPath> SongSnapshot;

  // The tidy-up's per-step rename logs.
  TextList PrefixLog, UnderscoreLog, BracketLog, CapitalLog, DashLog;
  // The renames of the last tidy-up that the file system refused, in the order tried.
  std::vector<RenameFailure> RenameFailures;

  // The song last right-clicked in the song list; the single-song tools act on it.
  SongPath SelectedSong;

  // The journal of the last tidy-up, while it can be undone from the windows; empty when
  // it was not recorded or has been undone.
  std::string LastTidyupJournal;
  // Set once the last tidy-up was undone in full.
  bool LastTidyupUndone = false;

  // The changed-files window's lines: step headings, rename lines, separators.
  TextList ChangedFilesList;

  // Where the library editor's Continue returns to: kReturnToMainMenu or kReturnToSongList.
  std::string ReturnTarget;
  // kSongListFromTidyup while the song list was opened from the tidy-up results.
  std::string SongListOrigin;
  // Set once the application has been asked to end.
  bool TerminationRequested = false;
  // The cursor shape (a Qt::CursorShape) in force before the last hourglass phase.
  int SavedCursor = 0;
};

}  // namespace tunewick
