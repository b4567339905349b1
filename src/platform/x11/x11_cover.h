#pragma once
// Without a window manager nobody acts on the full-screen request that SDL
// sends on X11, so the window would keep its old size and place. This moves
// and sizes it over the display itself in that case.
#include <SDL.h>

namespace velmo {

// Does nothing on other video drivers or when a window manager is running.
void CoverDisplayWithoutWindowManager(SDL_Window* window, const SDL_Rect& bounds);

// Makes the (shown) window cover area, one monitor's part of the desktop,
// without any mode change: a window manager is asked to make it full screen
// on the monitor that holds it (SDL's own full screen knows only the
// monitors there were when it started); with none, the window is moved and
// sized over the area and raised. False on other video drivers, where SDL's
// full screen has to do. Waits for the X server to take the requests.
// byHand: moved and sized over the area as without a window manager, for
// one whose idea of the monitors is behind (it only reads them again when
// the screen's size changes).
bool CoverArea(SDL_Window* window, const SDL_Rect& area, bool byHand = false);

// True when the window lies exactly over area on the desktop, as the X
// server has it now (SDL's idea may lag behind); also true on other video
// drivers, where nothing can be told. Two round trips; main thread.
bool CoversArea(SDL_Window* window, const SDL_Rect& area);

}  // namespace velmo
