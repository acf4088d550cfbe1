#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/file_system.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return tunewick::RunCli(arguments, tunewick::RealFileSystem(),
                          {std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1});
}
