#pragma once
// Where the keyboard and the pointer are on an X11 display, asked of the
// server itself: a window may receive keys before the toolkit above it has
// taken the focus, and the toolkit's idea of the pointer and of its windows'
// places may lag behind.
#include <cstddef>

namespace velmo {

// True when keys typed now reach one of the count top-level windows given
// (X window ids, on display, an Xlib Display*): the input focus is one of
// them, or the focus follows the pointer or is the root window (no window
// manager) and the pointer is over one. Two round trips at most; blocks on them;
// main thread (the display's connection is the caller's).
// pointerToo false: only a focus given to one of them counts.
bool KeysReachWindows(void* display, const unsigned long* windows, size_t count, bool pointerToo = true);

// The pointer's place on the desktop (the root window's coordinates) now.
// False when the display is null or the pointer is on another screen. One
// round trip; blocks on it; the caller's thread and connection.
bool PointerOnDesktop(void* display, int& x, int& y);

}  // namespace velmo
