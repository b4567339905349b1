#pragma once
// A daemon's window (xscreensaver's, or the root window): adopting it, and
// the loop's wait while drawing into it. Main thread.
#include <SDL.h>

#include <cstdint>

namespace velmo {

// SDL's window over the X11 window nativeWindow (0: the screen's root),
// listening to its exposure and structure events over SDL's connection;
// *hostDisplay gets that connection. Null, said on standard error, when
// SDL does not run on X11 or the window does not exist. A few X round trips.
SDL_Window* AdoptHostWindow(uint64_t nativeWindow, void** hostDisplay);

// The wait of a loop in a daemon's window, for up to timeoutMs: until
// SDL's X connection has input, wakeFd is raised (another thread's event,
// the termination watcher), or the time passes. Returns at once, false,
// when work is already there; true after a wait, when the caller clears
// wakeFd.
bool WaitHosted(void* hostDisplay, int wakeFd, int timeoutMs);

}  // namespace velmo
