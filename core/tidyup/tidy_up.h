#pragma once

// The automatic tidy-up: five steps, each over a fresh scan of the library, each
// renaming songs in their own folders and writing down what it renamed.
//
//   dash step            spaces around the dash          DashLog
//   underscore step      underscores to spaces           UnderscoreLog
//   capitalisation step  capitals at the start of words  CapitalLog
//   bracket step         "(0)" to "(9)" removed          BracketLog
//   prefix step          track numbers and such removed  PrefixLog
//
// Nothing is ever overwritten: a rename the file system refuses leaves the song as it
// was and is listed in RenameFailures instead of a log.

#include <cstddef>
#include <string>
#include <utility>

#include "catalogue/song_lists.h"
#include "platform/file_system.h"

namespace tunewick {

enum class TidyupStep { kDash, kUnderscore, kCapitalisation, kBracket, kPrefix };

// What the tidy-up asks of the program around it.
class TidyupHost {
 public:
  virtual ~TidyupHost() = default;
  // Refills AllSongs (and LibraryFolders) from the disk.
  virtual void Rescan() = 0;
  // A step begins and ends; EndStep also runs when an error leaves the step.
  virtual void BeginStep(TidyupStep) {}
  virtual void EndStep(TidyupStep) {}
  // The bracket step found no songs at all.
  virtual void NoSongsFound() {}
  // The underscore and bracket steps put the main window back on its menu.
  virtual void ShowMainMenu() {}
  // `done` of the `total` songs of the current pass have been looked at.
  virtual void Progress(TidyupStep, std::size_t /*done*/, std::size_t /*total*/) {}
  // Asked before each song: true ends the run there, after the rename in hand.
  virtual bool StopRequested() { return false; }
};

// Leaves a step when the host asked the run to stop, or the file system can make no more
// renames (RenamesEnded); RunTidyup catches it.
struct TidyupStopped {};

// A host for a tidy-up without windows: every scan reads the library file afresh.
class LibraryFileHost : public TidyupHost {
 public:
  LibraryFileHost(SongLists& lists, FileSystem& fileSystem, std::string libraryFile)
      : lists_(lists), fileSystem_(fileSystem), libraryFile_(std::move(libraryFile)) {}
  void Rescan() override;

 private:
  SongLists& lists_;
  FileSystem& fileSystem_;
  std::string libraryFile_;
};

enum class TidyupEnd { kFinished, kStopped };

// Runs the whole tidy-up: empties the five logs and RenameFailures, then the five steps
// in order. An error that escapes a step ends the run, and so do the host's asking it to
// stop and the file system's making no more renames (kStopped); what was renamed stays
// renamed, and written down in the logs.
TidyupEnd RunTidyup(SongLists& lists, FileSystem& fileSystem, TidyupHost& host);

// The single steps, as the run uses them (each rescans first). A step stopped throws
// TidyupStopped.
void DashStep(SongLists& lists, FileSystem& fileSystem, TidyupHost& host);
void UnderscoreStep(SongLists& lists, FileSystem& fileSystem, TidyupHost& host);
void CapitalisationStep(SongLists& lists, FileSystem& fileSystem, TidyupHost& host);
void BracketStep(SongLists& lists, FileSystem& fileSystem, TidyupHost& host);
void PrefixStep(SongLists& lists, FileSystem& fileSystem, TidyupHost& host);

// Empties the lists a step leaves behind that the next one does not use.
void ResetBetweenSteps(SongLists& lists);

}  // namespace tunewick
