#pragma once

// Holding back the signals that end a program from the keyboard or its session (SIGINT,
// SIGTERM, SIGHUP, SIGQUIT) while a rename must not be cut off half-way: a reservation of
// a new name (posix_rename.h) must not outlive an interrupted run.

#include <csignal>

namespace tunewick {

// While it lives, the calling thread holds those signals back, and so do for good the
// threads it starts meanwhile. A thread of Tunewick's own is started so: then such a
// signal reaches only a thread that lets it through, and none is taken by a thread that
// does not know of the rename in hand. When it ends, a signal that came meanwhile is
// taken as usual: it ends the program.
class HeldEndingSignals {
 public:
  HeldEndingSignals();
  ~HeldEndingSignals();
  HeldEndingSignals(const HeldEndingSignals&) = delete;
  HeldEndingSignals& operator=(const HeldEndingSignals&) = delete;

  // True when such a signal came and is held back.
  static bool Waiting();

 private:
  sigset_t previous_;  // the thread's signal mask before
};

}  // namespace tunewick
