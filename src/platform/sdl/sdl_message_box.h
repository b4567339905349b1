#pragma once
// SDL's message box, shown by a freshly executed copy of the program (see
// platform/helper_process.h): SDL's own way forks this multi-threaded
// process and runs the box in the copy, which can hang on a lock another
// thread held. The copy dies with the program (SIGKILL included), so the
// box goes with it. Main thread; blocks until the box is answered, or until
// the program ends.
#include <SDL.h>

#include <atomic>
#include <vector>

namespace velmo {

// Shows the box over parent (null: none; an X11 window gives the box its
// place and keeps it in front). open is true while it waits, so a
// termination signal can tell that nothing but the box is left to end.
void ShowSdlMessageBox(uint32_t kind, const char* caption, const char* text, SDL_Window* parent,
                       std::atomic<bool>& open);

class SdlWindow;

// The box on the primary monitor, centred, in front: over the first of our
// windows that shows (the primary monitor's scene is made first), else on
// its own.
void ShowSdlMessageBoxOver(const std::vector<SdlWindow*>& windows, uint32_t kind, const char* caption,
                           const char* text, std::atomic<bool>& open);

// Whether the video driver SDL runs on is a display a person sees (X11,
// Wayland), not its offscreen or dummy one: no box is tried on those.
bool SdlVideoIsADisplay();

// The helper's side: argv after the role (the program's process id, the
// kind, caption, text, and the parent's X11 window id or 0). Returns the
// helper's exit code.
int RunMessageBoxHelper(int argc, char** argv);

}  // namespace velmo
