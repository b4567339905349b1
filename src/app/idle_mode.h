#pragma once
// velmo --idle: the session's watcher. It waits, without polling, for the
// session to be idle for the stored delay, runs the saver as a child process
// and, once that has ended, waits for the next input and the next delay.
namespace velmo {

// afterSeconds > 0 replaces the stored delay for this run. Returns the exit
// code: 0 when it ended as asked (a signal, the idle start turned off, its
// display gone) or stood aside (another watcher or screen saver serves the
// session), 2 when the session offers no way to learn that it is idle.
int RunIdleWatcher(int afterSeconds);

}  // namespace velmo
