#include <unistd.h>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "interruption_report.h"
#include "platform/fd_stream_buffer.h"
#include "platform/file_system.h"
#include "platform/interruptions.h"
#include "platform/standard_descriptors.h"
#include "terminal_text.h"

int main(int argc, char** argv) {
  const std::optional<tunewick::ClosedAtStart> closed = tunewick::FillClosedStandardDescriptors();
  if (!closed) return tunewick::kExitUsage;
  const bool progressShown = ::isatty(STDERR_FILENO) == 1;
  // Before any thread starts: every thread holds the signals back but the one that takes them.
  tunewick::EndOnInterruptionAfter(
      [progressShown] { tunewick::ReportInterruption(std::cerr, progressShown); });
  std::vector<std::string> arguments(argv + 1, argv + argc);
  // Standard output through a buffer that can tell why a write failed; a closed one fails
  // every write, so that what it loses is reported.
  tunewick::FdStreamBuffer outBuffer(
      STDOUT_FILENO,
      closed->output ? std::make_error_code(std::errc::bad_file_descriptor) : std::error_code());
  // What goes to a terminal shows the control characters of names and tags written out.
  tunewick::VisibleTextBuffer outShown(outBuffer);
  std::ostream out(::isatty(STDOUT_FILENO) == 1 ? static_cast<std::streambuf*>(&outShown)
                                                : &outBuffer);
  tunewick::VisibleTextBuffer errShown(*std::cerr.rdbuf());
  std::ostream err(progressShown ? &errShown : std::cerr.rdbuf());
  return tunewick::RunCli(
      arguments, tunewick::RealFileSystem(),
      {out, err, progressShown ? &std::cerr : nullptr, [&outBuffer] { return outBuffer.error(); }});
}
