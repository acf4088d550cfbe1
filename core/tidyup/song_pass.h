#pragma once

// One pass of renames over a list of songs, in several folders at once where the file
// system advises it (FileSystem::FoldersRenamedAtOnce). A song never leaves its folder, so
// renames in different folders cannot meet; within one real folder (whatever path or link
// leads to it) the songs are taken one after another in the list's order. So the pass
// ends exactly as one that takes every song in turn, and says so in the same order.

#include <cstddef>
#include <functional>

#include "catalogue/song_lists.h"
#include "platform/file_system.h"

namespace tunewick {

struct SongPass {
  std::size_t count = 0;
  // The path of song `i` when it is to be renamed, else nullptr; asked once per song,
  // before any rename.
  std::function<const SongPath*(std::size_t)> due;
  // Renames the due song `i` in its folder. Runs on any thread, several songs' at once: it
  // touches nothing but the file system and what is song i's own.
  std::function<void(std::size_t)> work;
  // Writes down what the work on song `i` did: on the calling thread, in the list's order.
  std::function<void(std::size_t)> finish;
  // Before song `i`, due or not, on the calling thread, in the list's order. May throw to
  // end the pass.
  std::function<void(std::size_t)> before = [](std::size_t) {};
  // Now and then while the calling thread waits for other threads. May throw to end the
  // pass.
  std::function<void()> waiting = [] {};
  // One song after another, whatever the file system advises: a song's work may reach
  // beyond its folder.
  bool inTurn = false;
  // False: the work only reads, and the file system is told of no renames ahead.
  bool renames = true;
};

// Runs the pass. An exception from `before`, `waiting` or `work` ends it after the renames
// in hand: every song whose work was done is finished, in order, then the exception goes
// on. So does the file system's saying that renames have ended, but for the exception: the
// songs not reached are neither worked on nor finished. Where the file system wants renames
// told ahead, it is told the due songs' paths in order when they are renamed one at a time,
// and nothing when they are not (nor ever for a pass that only reads).
void RunSongPass(FileSystem& fileSystem, const SongPass& pass);

}  // namespace tunewick
