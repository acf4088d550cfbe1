#include "platform/held_signals.h"

namespace tunewick {
namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

}  // namespace

HeldEndingSignals::HeldEndingSignals() {
  sigset_t ending;
  ::sigemptyset(&ending);
  for (int signal : kEndingSignals) ::sigaddset(&ending, signal);
  ::pthread_sigmask(SIG_BLOCK, &ending, &previous_);
}

HeldEndingSignals::~HeldEndingSignals() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

bool HeldEndingSignals::Waiting() {
  sigset_t pending;
  if (::sigpending(&pending) != 0) return false;
  for (int signal : kEndingSignals)
    if (::sigismember(&pending, signal) == 1) return true;
  return false;
}

}  // namespace tunewick
