#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "platform/fd_stream_buffer.h"
#include "platform/file_system.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  // Standard output through a buffer that can tell why a write failed.
  tunewick::FdStreamBuffer outBuffer(STDOUT_FILENO);
  std::ostream out(&outBuffer);
  return tunewick::RunCli(
      arguments, tunewick::RealFileSystem(),
      {out, std::cerr, ::isatty(STDERR_FILENO) == 1, [&outBuffer] { return outBuffer.error(); }});
}
