#pragma once

// Descriptors 0, 1 and 2 as a program finds them when it starts.

#include <optional>

namespace tunewick {

// Which of standard input, output and error were closed.
struct ClosedAtStart {
  bool input = false;
  bool output = false;
  bool errors = false;
};

// Opens /dev/null onto each of descriptors 0, 1 and 2 that is closed, so that no file the
// program opens later is given one of them: a journal given descriptor 1 would receive
// the program's report. Call first in main. Nothing when /dev/null cannot be opened: the
// program must not go on then.
std::optional<ClosedAtStart> FillClosedStandardDescriptors();

}  // namespace tunewick
