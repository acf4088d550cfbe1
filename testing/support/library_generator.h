#pragma once

// Makes music libraries to measure and test Tunewick on: a tree of folders (up to four
// below the root) holding empty song files (.mp3, .wav, .wma, some with upper-case
// extensions) with clean, messy and UTF-8 names, other files mixed in, and folders whose
// names begin with "." with songs inside. The same plan always gives the same tree.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tunewick::testing {

struct LibraryPlan {
  // Created when missing; an existing folder must be empty.
  std::string root;
  // Song files that a scan of `root` finds (songs inside dot-folders come on top).
  std::size_t songs = 1000;
  // Ordinary folders below `root`; 0 gives one for every twenty songs.
  std::size_t folders = 0;
  // The share of songs whose file name does not hold exactly one "-".
  double incorrectShare = 0.5;
  std::uint64_t seed = 1;
  // Symbolic links, in turn: a folder link back to an ancestor, a second route to
  // another folder, a link into a dot-folder, a link to a song file, a broken link
  // named like a song. Links add routes and songs that the counts below leave out.
  std::size_t links = 0;
};

struct LibrarySummary {
  std::size_t songs = 0;           // found by a scan of the root (links left aside)
  std::size_t incorrectSongs = 0;  // of those, the ones named incorrectly
  std::size_t folders = 0;         // ordinary folders below the root
  std::size_t dotFolders = 0;      // folders whose names begin with "."
  std::size_t songsInDotFolders = 0;
  std::size_t otherFiles = 0;  // files that are not songs
  std::size_t links = 0;
};

// Writes the library described by `plan`. Never replaces an existing file. Throws
// std::runtime_error, with the path and the system's reason, when something cannot be
// created or the root is not an empty folder.
LibrarySummary GenerateLibrary(const LibraryPlan& plan);

// A library to measure at `root`: a folder that already holds files is taken as it
// stands, an empty or missing one is filled from `plan` (its root set to `root`). Says
// on standard output which of the two happened.
void PrepareLibrary(const std::string& root, LibraryPlan plan);

}  // namespace tunewick::testing
