#include "platform/x11/x11_mode_switch.h"

#include <X11/Xlib.h>

#include "platform/x11/x11_handles.h"

namespace velmo {

void X11ModeSwitch::Before(SDL_Window* window, int width, int height) {
  X11Handles handles;
  Display* x11 = X11HandlesOf(window, handles) ? static_cast<Display*>(handles.display) : nullptr;
  display_ = x11;
  if (guard_ && (width_ != width || height_ != height)) guard_.reset();
  if (x11 && !guard_) {
    guard_ = X11ModeGuard::Arm(XDisplayString(x11), width, height);
    width_ = width;
    height_ = height;
  }
}

void X11ModeSwitch::After() {
  if (!display_) return;
  XSync(static_cast<Display*>(display_), False);
  SDL_PumpEvents();
  SDL_FlushEvent(SDL_MOUSEMOTION);
}

void X11ModeSwitch::Disarm() { guard_.reset(); }

}  // namespace velmo
