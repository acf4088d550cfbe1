#pragma once

// tunewick-cli undo and history: taking back a run from its journal, and the list of the
// kept runs.

#include <string>

#include "cli.h"

namespace tunewick {

class JournalStore;

// Takes back the run named (or the newest one not yet undone) and prints what was put
// back, then what could not be.
int UndoCommand(JournalStore& store, FileSystem& fileSystem, const std::string& name, bool dryRun,
                bool record, CliStreams& streams);

// One line per kept run, oldest first: when, what, from where, how many renames, whether
// it was undone, its name.
int HistoryCommand(const JournalStore& store, CliStreams& streams);

}  // namespace tunewick
