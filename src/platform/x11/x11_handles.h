#pragma once
// The X connection and window under an SDL window, for what SDL does not do
// itself on X11. No round trip to the server; call on the thread that made
// the window.
#include <SDL.h>

#include <cstdint>

namespace velmo {

struct X11Handles {
  void* display = nullptr;  // SDL's own Xlib Display*: SDL keeps and closes it
  uint64_t window = 0;
};

// False where the window is null or SDL's video driver is not X11.
bool X11HandlesOf(SDL_Window* window, X11Handles& handles);

}  // namespace velmo
