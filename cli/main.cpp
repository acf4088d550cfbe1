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
  std::ostream out(&outBuffer);
  return tunewick::RunCli(
      arguments, tunewick::RealFileSystem(),
      {out, std::cerr, progressShown, [&outBuffer] { return outBuffer.error(); }});
}
