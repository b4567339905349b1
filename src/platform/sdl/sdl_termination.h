#pragma once
// Termination signals for the SDL loop (see platform/termination.h): a
// request becomes the loop's quit event, and raises the wake descriptor a
// loop in a daemon's window waits on. With a message box up, which shows
// only once everything it could leave behind has stopped and whose own
// loop reads no quit event, nothing is left but to end: the process ends
// at once with code 0 (the box goes with it).
#include <atomic>

#include "platform/posix/wake_fd.h"

namespace velmo {

// Installs the handler (runs on the watcher's thread); wake and boxOpen
// stay valid until StopTakingTermination.
void TakeTerminationForSdlLoop(WakeFd& wake, const std::atomic<bool>& boxOpen);

// Removes it; waits for a handler under way.
void StopTakingTermination();

}  // namespace velmo
