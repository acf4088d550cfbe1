#include "interruption_report.h"

#include <ostream>

#include "journal/recorded_run.h"

namespace tunewick {

void ReportInterruption(std::ostream& err, bool progressShown) {
  const std::optional<RecordedRun::Interruption> run = RecordedRun::InterruptRunUnderWay();
  if (!run) return;
  if (progressShown) err << "\r\033[K";
  err << "tunewick-cli: interrupted ";
  if (run->renamed == 0) {
    err << "before any song was renamed\n";
    return;
  }
  err << "after " << run->renamed << (run->renamed == 1 ? " rename" : " renames");
  if (!run->recorded) {
    err << ", which cannot be undone (--no-undo)\n";
  } else if (run->header.kind == RunKind::kUndo) {
    err << " back; \"tunewick-cli undo " << run->header.undoes << "\" puts back the rest\n";
  } else {
    err << "; \"tunewick-cli undo\" takes them back\n";
  }
  err.flush();
}

}  // namespace tunewick
