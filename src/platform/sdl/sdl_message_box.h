#pragma once
// SDL's message box, made to end with the program: SDL shows an X11 box from
// a forked copy of the program (a Wayland one through a helper it starts),
// which would otherwise outlive it. Main thread; blocks until the box is
// answered, or until the program ends (then the box goes with it).
#include <SDL.h>

#include <atomic>

namespace velmo {

// Shows the box over parent (null: none). open is true while it waits, so a
// termination signal can tell that nothing but the box is left to end.
void ShowSdlMessageBox(uint32_t kind, const char* caption, const char* text, SDL_Window* parent,
                       std::atomic<bool>& open);

}  // namespace velmo
