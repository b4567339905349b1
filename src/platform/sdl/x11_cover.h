#pragma once
// Without a window manager nobody acts on the full-screen request that SDL
// sends on X11, so the window would keep its old size and place. This moves
// and sizes it over the display itself in that case.
#include <SDL.h>

namespace velmo {

// Does nothing on other video drivers or when a window manager is running.
void CoverDisplayWithoutWindowManager(SDL_Window* window, const SDL_Rect& bounds);

}  // namespace velmo
