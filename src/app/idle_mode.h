#pragma once
// velmo --idle: the session's watcher. It waits, without polling, for the
// session to be idle for the stored delay, runs the saver as a child process
// and, once that has ended, waits for the next input and the next delay.
#include <string>

namespace velmo {

// afterSeconds > 0 replaces the stored delay for this run; saverProgram is
// the velmo to start with /s. Returns the exit code: 0 when it ended as
// asked (a signal, the idle start turned off, its display gone) or stood
// aside (another watcher or screen saver serves the session), 2 when the
// session offers no way to learn that it is idle.
int RunIdleWatcher(int afterSeconds, const std::string& saverProgram);

// velmo --idle: becomes the small program velmo-idle (linked with only the
// libraries the watcher uses, so that it stays small while it waits for
// hours), given velmo's own path for the saver; where velmo-idle is not
// found, watches in this process. Returns the exit code.
int RunIdleProgram(int afterSeconds);

}  // namespace velmo
