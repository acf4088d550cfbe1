#pragma once

// What tunewick-cli says when it is interrupted (Ctrl-C, SIGTERM, SIGHUP) while it
// renames: how many renames were made, and how they are taken back.

#include <iosfwd>

namespace tunewick {

// Stops the run under way, if there is one, between two renames, and tells on `err` what
// it had done; with `progressShown`, first clears the progress line.
void ReportInterruption(std::ostream& err, bool progressShown);

}  // namespace tunewick
