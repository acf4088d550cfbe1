#include "actions/undo_actions.h"

#include <QString>
#include <chrono>

#include "adapters/dialogs.h"
#include "platform/journal_file.h"
#include "widgets/busy_cursor.h"
#include "widgets/shown_text.h"

namespace tunewick {
namespace {

// A message of the core's, which the command line writes after its name.
QString Text(std::string_view text) {
  return AsSentence(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

std::int64_t Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Whether to go on although the run cannot be recorded.
bool GoOnWithoutUndo(AppContext& context, QWidget* parent, const JournalUnavailable& problem) {
  return context.dialogs.AskWarningYesCancel(
      parent, QStringLiteral("Tunewick"),
      Text(problem.what()) + QStringLiteral("\n\nGo on without a way to undo it?"));
}

}  // namespace

std::unique_ptr<RecordedRun> StartRecordedRun(AppContext& context, QWidget* parent, RunKind kind) {
  JournalStore store(context.fileSystem, context.paths.journalFolder);
  const RunHeader header{kind, Now(), CurrentFolder(), {}};
  try {
    return std::make_unique<RecordedRun>(&store, context.fileSystem, header);
  } catch (const JournalUnavailable& problem) {
    if (!GoOnWithoutUndo(context, parent, problem)) return nullptr;
    return std::make_unique<RecordedRun>(nullptr, context.fileSystem, header);
  }
}

void FinishRecordedRun(AppContext& context, QWidget* parent, RecordedRun& run) {
  const std::string problem = run.Finish();
  if (!problem.empty()) context.dialogs.ShowMessage(parent, Text(problem));
}

void UndoLastTidyup(AppContext& context, QWidget* parent) {
  GuiState& state = context.gui;
  JournalStore store(context.fileSystem, context.paths.journalFolder);
  if (!store.Read(state.LastTidyupJournal)) {
    context.dialogs.ShowMessage(parent, QStringLiteral("The record of this tidy-up is gone: it "
                                                       "cannot be undone any more."));
    state.LastTidyupJournal.clear();
    return;
  }
  UndoKeptRun(context, parent, state.LastTidyupJournal, QStringLiteral("Undo this tidy-up"),
              QStringLiteral("this tidy-up"));
}

bool UndoKeptRun(AppContext& context, QWidget* parent, const std::string& name,
                 const QString& title, const QString& what) {
  GuiState& state = context.gui;
  SongLists& lists = context.lists;
  JournalStore store(context.fileSystem, context.paths.journalFolder);
  const std::optional<Journal> journal = store.Read(name);
  if (!journal) {
    context.dialogs.ShowMessage(parent, QStringLiteral("The record of this run cannot be read: it "
                                                       "cannot be undone."));
    return false;
  }
  if (!context.dialogs.AskConfirmOkCancel(
          parent, title,
          QStringLiteral("Put back the %1 songs %2 renamed?").arg(SongsRenamed(*journal)).arg(what),
          DefaultAnswer::kCancel))
    return false;

  UndoRequest request{name, false, true, CurrentFolder(), Now()};
  UndoReport report;
  {
    BusyCursor hourglass(state.SavedCursor);
    try {
      report = UndoRun(store, context.fileSystem, request);
    } catch (const JournalUnavailable& problem) {
      if (!GoOnWithoutUndo(context, parent, problem)) return false;
      request.record = false;
      report = UndoRun(store, context.fileSystem, request);
    } catch (const UndoRefused& refused) {
      context.dialogs.ShowMessage(parent, Text(refused.what()));
      return false;
    }
  }
  if (name == state.LastTidyupJournal && report.result.refused.empty() && report.damage.empty()) {
    // Nothing of the last tidy-up is left: the results show it undone, with nothing renamed.
    state.LastTidyupJournal.clear();
    state.LastTidyupUndone = true;
    for (TextList* log : {&lists.PrefixLog, &lists.UnderscoreLog, &lists.BracketLog,
                          &lists.CapitalLog, &lists.DashLog})
      log->clear();
    lists.RenameFailures.clear();
  }
  context.navigator.RefreshTidyupResults();
  context.navigator.ShowChangedFiles(ChangedFilesKind::kUndone, UndoReportLines(report.result));
  for (const std::string* problem : {&report.damage, &report.warning})
    if (!problem->empty()) context.dialogs.ShowMessage(parent, Text(*problem));
  return true;
}

void PreviewUndo(AppContext& context, QWidget* parent, const std::string& name) {
  JournalStore store(context.fileSystem, context.paths.journalFolder);
  UndoReport report;
  try {
    BusyCursor hourglass(context.gui.SavedCursor);
    report = UndoRun(store, context.fileSystem, {name, true, false, CurrentFolder(), Now()});
  } catch (const UndoRefused& refused) {
    context.dialogs.ShowMessage(parent, Text(refused.what()));
    return;
  }
  TextList lines = UndoReportLines(report.result);
  if (lines.empty()) {
    context.dialogs.ShowMessage(parent, QStringLiteral("Undo would not put back any song."));
    return;
  }
  context.navigator.ShowChangedFiles(ChangedFilesKind::kUndoPreview, std::move(lines));
  if (!report.damage.empty()) context.dialogs.ShowMessage(parent, Text(report.damage));
}

}  // namespace tunewick
