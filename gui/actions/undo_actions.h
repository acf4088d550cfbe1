#pragma once

// The desktop program's side of journals: asking whether to go on when a run cannot be
// recorded, and undoing the last tidy-up.

#include <QString>
#include <memory>
#include <string>

#include "app/app_context.h"
#include "journal/undo.h"

class QWidget;

namespace tunewick {

// Begins the journal of a bulk rename. When it cannot be written, asks whether to go on
// without undo: nothing when the user says no.
std::unique_ptr<RecordedRun> StartRecordedRun(AppContext& context, QWidget* parent, RunKind kind);

// Tells the user what went wrong with a journal after its run, if anything.
void FinishRecordedRun(AppContext& context, QWidget* parent, RecordedRun& run);

// "Undo this tidy-up": UndoKeptRun for the last tidy-up, while its journal is there.
void UndoLastTidyup(AppContext& context, QWidget* parent);

// After a confirmation (titled `title`, asking to put back the songs `what` renamed),
// renames back what the kept run `name` renamed and shows in the changed-files window what
// was put back and what could not be. False when nothing was done.
bool UndoKeptRun(AppContext& context, QWidget* parent, const std::string& name,
                 const QString& title, const QString& what);

// Shows in the changed-files window what undoing the kept run `name` would put back and
// what it would refuse, renaming nothing.
void PreviewUndo(AppContext& context, QWidget* parent, const std::string& name);

}  // namespace tunewick
