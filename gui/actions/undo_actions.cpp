#include "actions/undo_actions.h"

#include <QString>
#include <chrono>

#include "adapters/dialogs.h"
#include "platform/journal_file.h"
#include "reports/changed_files.h"
#include "tidyup/batch_rename.h"
#include "widgets/busy_cursor.h"

namespace tunewick {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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
  SongLists& lists = context.lists;
  JournalStore store(context.fileSystem, context.paths.journalFolder);
  const std::optional<Journal> journal = store.Read(state.LastTidyupJournal);
  if (!journal) {
    context.dialogs.ShowMessage(parent, QStringLiteral("The record of this tidy-up is gone: it "
                                                       "cannot be undone any more."));
    state.LastTidyupJournal.clear();
    return;
  }
  if (!context.dialogs.AskConfirmOkCancel(
          parent, QStringLiteral("Undo this tidy-up"),
          QStringLiteral("Put back the %1 songs this tidy-up renamed?").arg(SongsRenamed(*journal)),
          DefaultAnswer::kCancel))
    return;

  UndoRequest request{state.LastTidyupJournal, false, true, CurrentFolder(), Now()};
  UndoReport report;
  {
    BusyCursor hourglass(state.SavedCursor);
    try {
      report = UndoRun(store, context.fileSystem, request);
    } catch (const JournalUnavailable& problem) {
      if (!GoOnWithoutUndo(context, parent, problem)) return;
      request.record = false;
      report = UndoRun(store, context.fileSystem, request);
    } catch (const UndoRefused& refused) {
      context.dialogs.ShowMessage(parent, Text(refused.what()));
      return;
    }
  }
  if (report.result.refused.empty() && report.damage.empty()) {
    // Nothing of the run is left: the results show it undone, with nothing renamed.
    state.LastTidyupJournal.clear();
    state.LastTidyupUndone = true;
    for (TextList* log : {&lists.PrefixLog, &lists.UnderscoreLog, &lists.BracketLog,
                          &lists.CapitalLog, &lists.DashLog})
      log->clear();
    lists.RenameFailures.clear();
  }

  TextList list;
  for (const auto& [from, to] : report.result.renamed) list.push_back(QuotedRenameLine(from, to));
  if (!report.result.refused.empty()) {
    if (!list.empty()) list.emplace_back();
    list.emplace_back(kUndoFailuresHeading);
    for (const RenameFailure& failure : report.result.refused) list.push_back(FailureLine(failure));
  }
  context.navigator.RefreshTidyupResults();
  context.navigator.ShowChangedFiles(ChangedFilesKind::kUndone, std::move(list));
  for (const std::string* problem : {&report.damage, &report.warning})
    if (!problem->empty()) context.dialogs.ShowMessage(parent, Text(*problem));
}

}  // namespace tunewick
