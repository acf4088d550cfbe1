#pragma once

// The signals that end a program from the keyboard or its session, taken on a thread of
// their own so that the program can say what it had done before it ends.

#include <functional>

namespace tunewick {

// Holds back SIGINT, SIGTERM and SIGHUP (those not ignored) in the calling thread and in
// every thread it starts from now on, and waits for them on a thread of their own: when one
// comes, `last` runs there, and then the program ends by that signal, as it would have at
// once. Call at the start of main, before any other thread is started.
void EndOnInterruptionAfter(std::function<void()> last);

// From now on a write to a pipe that nobody reads any more fails (EPIPE) instead of ending
// the program, so that a program whose output tells what it changed can say it was lost.
void LetWritesToClosedPipesFail();

}  // namespace tunewick
