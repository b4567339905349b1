#include "platform/sdl/sdl_focus_rule.h"

#include <SDL.h>

#include "platform/sdl/sdl_window.h"

namespace velmo {

void SdlFocusRule::Check(const std::vector<SdlWindow*>& windows, bool hosted) {
  const uint64_t now = SDL_GetTicks64();
  bool ourFocus = false;
  for (SdlWindow* w : windows)
    ourFocus = ourFocus || (!w->IsClosed() && (SDL_GetWindowFlags(static_cast<SDL_Window*>(w->NativeHandle())) &
                                               SDL_WINDOW_INPUT_FOCUS));
  // SDL takes a focus the window system gave some time later (after a
  // mode change, about 200 ms): meanwhile the window system is asked, a
  // few times a frame's grace at most. A focus that only follows the
  // pointer (no window manager) is none, as SDL has it.
  if (!ourFocus && !windows.empty() && !hosted) {
    if (now - askedAt_ >= SdlWindow::kActivationGraceMs / 2) {
      askedAt_ = now;
      systemFocus_ = windows.front()->OursHaveFocus(false);
    }
    ourFocus = systemFocus_;
  }
  for (SdlWindow* w : windows) {
    if (w->LostActivation(now, ourFocus) && w->Events().onDeactivate) w->Events().onDeactivate();
  }
}

}  // namespace velmo
