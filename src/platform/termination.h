#pragma once
// Requests to end the program (SIGTERM, SIGINT, SIGHUP) are taken by one
// watcher thread instead of a handler that interrupts whatever runs, so they
// are seen in every state: during start-up, while a frame is drawn, while a
// modal box or a slow call holds the main thread.
#include <functional>

namespace velmo {

// What the watcher does with a request, on the watcher's own thread: hand it
// to the loop that owns the program (a thread-safe post) and return.
using TerminationHandler = std::function<void()>;

// Blocks the three signals in the calling thread, nothing else: safe as the
// program's very first instruction (see main), before any initialiser runs.
void BlockTerminationSignals();

// Blocks the three signals in the calling thread and in every thread started
// after it, and starts the watcher. Call first in main, before any library
// starts a thread. If the program has not ended within 400 ms of a
// request (or at a second request, or with no handler set), the watcher ends
// the process with exit code 0: nothing may keep a signalled program alive.
void WatchTerminationSignals();

// Replaces the handler and returns the one before; waits for a running call
// of the old handler to finish, so the caller may then destroy what it used.
TerminationHandler SetTerminationHandler(TerminationHandler handler);

}  // namespace velmo
