#pragma once
// Facts about the windows a screen-saver daemon hands us, asked over a
// short-lived connection of our own to the X server.
#include <cstdint>

namespace velmo {

// The window that stands for the screen: the virtual root some desktops
// put over the real one (__SWM_VROOT), else the root. 0 without a display.
uint64_t ScreenRootWindow();

// True when the window exists; a wrong id is an answer, not an X error.
bool X11WindowExists(uint64_t window);

}  // namespace velmo
