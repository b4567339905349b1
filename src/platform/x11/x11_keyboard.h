#pragma once
// Where the keyboard goes on an X11 display, asked of the server itself:
// a window may receive keys before the toolkit above it has taken the focus.
#include <cstddef>

namespace velmo {

// True when keys typed now reach one of the count top-level windows given
// (X window ids, on display, an Xlib Display*): the input focus is one of
// them, or the focus follows the pointer or is the root window (no window
// manager) and the pointer is over one. Two round trips at most; blocks on them;
// main thread (the display's connection is the caller's).
bool KeysReachWindows(void* display, const unsigned long* windows, size_t count);

}  // namespace velmo
