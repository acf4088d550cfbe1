#pragma once

// What the windows remember between them: the song the single-song tools act on, the
// tidy-up that can still be undone from the windows, and where the windows lead back to.

#include <string>

#include "catalogue/song_lists.h"
#include "catalogue/song_types.h"

namespace tunewick {

// Where the library editor's Continue leads.
enum class AfterLibraryEditor { kMainMenu, kSongList };
// Where the song list was opened from: its back arrow leads there.
enum class SongListOpenedFrom { kMainMenu, kTidyupResults };

struct GuiState {
  // The song last right-clicked in the song list; the single-song tools act on it.
  SongPath SelectedSong;

  // The journal of the last tidy-up, while it can be undone from the windows; empty when
  // it was not recorded or has been undone.
  std::string LastTidyupJournal;
  // Set once the last tidy-up was undone in full.
  bool LastTidyupUndone = false;
  // Set when the last tidy-up stopped before its end: cancelled by the user (then
  // LastTidyupCancelled is set too), or stopped as its journal could not be written.
  bool LastTidyupStopped = false;
  bool LastTidyupCancelled = false;
  // Set while a tidy-up or its preview runs: the lists are the run's, and what would
  // refresh them waits.
  bool BulkRunInProgress = false;

  AfterLibraryEditor ReturnTarget = AfterLibraryEditor::kMainMenu;
  SongListOpenedFrom SongListOrigin = SongListOpenedFrom::kMainMenu;
  // "Keep my music library (I plan to run this tool again)", as the library editor shows it:
  // without it, the library file goes when the program ends.
  bool KeepLibrary = true;
  // The songs the scans look for, as the settings file holds the user's choice.
  SongTypes ScannedTypes;
  // Set once the application has been asked to end.
  bool TerminationRequested = false;
  // The cursor shape (a Qt::CursorShape) in force before the last hourglass phase.
  int SavedCursor = 0;
};

}  // namespace tunewick
