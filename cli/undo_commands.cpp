#include "undo_commands.h"

#include <chrono>
#include <ctime>
#include <ostream>

#include "journal/journal_store.h"
#include "journal/undo.h"
#include "platform/journal_file.h"
#include "reports/changed_files.h"
#include "tidyup/batch_rename.h"

namespace tunewick {
namespace {

void WriteLine(std::ostream& out, std::string_view line) {
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
  out.put('\n');
}

}  // namespace

int UndoCommand(JournalStore& store, FileSystem& fileSystem, const std::string& name, bool dryRun,
                bool record, CliStreams& streams) {
  UndoRequest request;
  request.name = name;
  request.dryRun = dryRun;
  request.record = record;
  request.startFolder = CurrentFolder();
  request.startedAt = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  UndoReport report;
  try {
    if (name.empty()) {
      const std::optional<std::string> latest = RunToUndo(store);
      if (!latest) throw UndoRefused("there is no run to undo");
      request.name = *latest;
    }
    report = UndoRun(store, fileSystem, request);
  } catch (const UndoRefused& refused) {
    streams.err << "tunewick-cli: " << refused.what() << '\n';
    return kExitUsage;
  } catch (const JournalsUntrusted& untrusted) {
    streams.err << "tunewick-cli: " << untrusted.what() << '\n';
    return kExitUsage;
  }
  for (const std::string& line : UndoReportLines(report.result)) WriteLine(streams.out, line);
  streams.out.flush();
  for (const std::string* problem : {&report.damage, &report.warning})
    if (!problem->empty()) streams.err << "tunewick-cli: " << *problem << '\n';
  return report.result.refused.empty() && report.damage.empty() ? kExitDone : kExitSomeRefused;
}

int HistoryCommand(const JournalStore& store, CliStreams& streams) {
  std::vector<RunSummary> history;
  try {
    history = store.History();
  } catch (const JournalsUntrusted& untrusted) {
    streams.err << "tunewick-cli: " << untrusted.what() << '\n';
    return kExitUsage;
  }
  for (const RunSummary& run : history) {
    streams.out << LocalTimeText(run.header.startedAt, "%Y-%m-%d %H:%M:%S") << "  ";
    if (run.newer) {
      streams.out << RunStateName(run) << "  " << run.name << '\n';
      continue;
    }
    streams.out << RunKindName(run.header.kind) << "  '";
    streams.out.write(run.header.folder.data(),
                      static_cast<std::streamsize>(run.header.folder.size()));
    streams.out << "'  " << run.renames << (run.renames == 1 ? " rename  " : " renames  ")
                << RunStateName(run) << "  " << run.name << '\n';
  }
  streams.out.flush();
  return kExitDone;
}

}  // namespace tunewick
