#pragma once
// Facts about the windows a screen-saver daemon hands us, asked over a
// short-lived connection of our own to the X server.
#include <cstdint>

#include "platform/gdi.h"

namespace velmo {

// The window that stands for the screen: the virtual root some desktops
// put over the real one (__SWM_VROOT), else the root. 0 without a display.
uint64_t ScreenRootWindow();

// True when the window exists; a wrong id is an answer, not an X error.
bool X11WindowExists(uint64_t window);

// The window's area in the root window's coordinates, over a short-lived
// connection of our own (a few round trips). False when it does not exist.
bool HostWindowArea(uint64_t window, Rect& area);

// The daemon may destroy its window while we still draw into it. From this
// call on, X errors about a missing window or drawable no longer end the
// process (Xlib's default): one naming the window marks it as gone, others
// have HostWindowGone ask the server. Other errors go on to the handler
// installed before. Call on the thread that draws, after the video system is up.
void WatchHostWindow(uint64_t window);
// Cheap unless an error came since the last call; then one short-lived
// connection asks whether the window still exists. Main thread.
bool HostWindowGone();

// Asks, over the given connection (an Xlib Display*), for the events that
// tell the window's contents were lost or its size changed: exposure and
// structure (map, unmap, configure). The window's owner keeps its own
// selection; ours is added beside it. Uncovering after a visibility change
// always comes with an exposure, so that one suffices for it.
void ListenToHostWindow(void* display, uint64_t window);

}  // namespace velmo
