#pragma once

// The desktop program's side of journals: asking whether to go on when a run cannot be
// recorded, and undoing the last tidy-up.

#include <memory>

#include "app/app_context.h"
#include "journal/undo.h"

class QWidget;

namespace tunewick {

// Begins the journal of a bulk rename. When it cannot be written, asks whether to go on
// without undo: nothing when the user says no.
std::unique_ptr<RecordedRun> StartRecordedRun(AppContext& context, QWidget* parent, RunKind kind);

// Tells the user what went wrong with a journal after its run, if anything.
void FinishRecordedRun(AppContext& context, QWidget* parent, RecordedRun& run);

// "Undo this tidy-up": after a confirmation, renames back what the last tidy-up renamed
// and shows in the changed-files window what was put back and what could not be.
void UndoLastTidyup(AppContext& context, QWidget* parent);

}  // namespace tunewick
