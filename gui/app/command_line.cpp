#include "app/command_line.h"

namespace tunewick {

StartOptions ParseStartOptions(const std::vector<std::string>& arguments) {
  StartOptions options;
  for (const std::string& argument : arguments) {
    if (argument == "--from-menu") {
      options.fromMenu = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (options.error.empty()) {
      options.error = (!argument.empty() && argument[0] == '-' ? "unknown option \""
                                                               : "unexpected argument \"") +
                      argument + "\"";
    }
  }
  return options;
}

}  // namespace tunewick
