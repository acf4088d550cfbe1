#include <signal.h>

#include <thread>

#include "platform/interruptions.h"

namespace tunewick {

void EndOnInterruptionAfter(std::function<void()> last) {
  sigset_t watched;
  ::sigemptyset(&watched);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // One that is ignored (nohup, a job started in the background) stays ignored: held back,
    // it would be waited for instead.
    struct sigaction action {};
    if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN)
      ::sigaddset(&watched, signal);
  }
  ::pthread_sigmask(SIG_BLOCK, &watched, nullptr);
  std::thread([watched, last = std::move(last)] {
    int signal = 0;
    while (::sigwait(&watched, &signal) != 0) {
    }
    // A second one ends the program at once, should `last` take long.
    for (int each : {SIGINT, SIGTERM, SIGHUP})
      if (::sigismember(&watched, each) == 1) ::signal(each, SIG_DFL);
    ::pthread_sigmask(SIG_UNBLOCK, &watched, nullptr);
    last();
    ::raise(signal);
  }).detach();
}

void LetWritesToClosedPipesFail() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace tunewick
