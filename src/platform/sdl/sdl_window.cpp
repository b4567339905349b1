#include "platform/sdl/sdl_window.h"

#include <array>

#include "platform/x11/x11_cover.h"
#include "platform/x11/x11_handles.h"
#include "platform/x11/x11_host.h"
#include "platform/x11/x11_input.h"

namespace velmo {

void SdlWindow::Close() {
  if (closed_) return;
  closed_ = true;
  if (hosted_) return;
  // The saver's window on a monitor that went away: its focus goes to
  // another of ours, not to nobody (which would read as a lost activation).
  const bool focused = SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS;
  SDL_HideWindow(window_);
  if (!focused) return;
  for (SdlWindow* w : registry_) {
    if (w == this || w->closed_ || w->hosted_ || !w->shown_) continue;
    SDL_SetWindowInputFocus(w->window_);
    break;
  }
}

bool SdlWindow::GetDesktopArea(Rect& area) const {
  if (hosted_) return HostWindowArea(static_cast<uint64_t>(hostId_), area);
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(window_, &x, &y);
  SDL_GetWindowSize(window_, &w, &h);
  area = Rect{x, y, x + w, y + h};
  return true;
}

void SdlWindow::KeepCovering(uint64_t nowMs) {
  if (!checkCover_) return;
  // A display mode of the saver's own: SDL's full screen holds the window.
  if (closed_ || hosted_ || (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN)) {
    checkCover_ = false;
    return;
  }
  if (!shown_ || nowMs - coverCheckedAt_ < kCoverCheckMs) return;
  coverCheckedAt_ = nowMs;
  const SDL_Rect area{area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top};
  if (CoversArea(window_, area) || ++coverAttempts_ > kCoverAttempts) {
    checkCover_ = false;
    return;
  }
  // The window manager's full screen first; then by hand, where its idea
  // of the monitors is behind.
  CoverArea(window_, area, coverAttempts_ > 2);
}

bool SdlWindow::HoldsKeyboard() const {
  if (hosted_) return true;  // the daemon's keys are the daemon's
  return OursHaveFocus(true);
}

bool SdlWindow::OursHaveFocus(bool pointerToo) const {
  std::array<unsigned long, 16> ids{};
  size_t count = 0;
  void* display = nullptr;
  for (SdlWindow* w : registry_) {
    if (w->closed_ || w->hosted_) continue;
    if (SDL_GetWindowFlags(w->window_) & SDL_WINDOW_INPUT_FOCUS) return true;
    X11Handles x11;
    if (count < ids.size() && X11HandlesOf(w->window_, x11)) {
      display = x11.display;
      ids[count++] = x11.window;
    }
  }
  // SDL takes the focus some time after the window system gave it (after a
  // mode change, about 200 ms later), and without a window manager it never
  // does; keys that reach our windows meanwhile come without a window and
  // the loop hands them to the main one.
  return KeysReachWindows(display, ids.data(), count, pointerToo);
}

bool SdlWindow::LostActivation(uint64_t nowMs, bool ourFocus) {
  if (hosted_ || closed_ || !shown_) return false;
  const uint32_t flags = SDL_GetWindowFlags(window_);
  bool lost = false;
  if (flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) {
    lost = true;
  } else if (ourFocus) {
    hadFocus_ = true;
    unfocusedSince_ = 0;
    reported_ = false;
  } else if (hadFocus_) {
    if (unfocusedSince_ == 0) unfocusedSince_ = nowMs;
    lost = nowMs - unfocusedSince_ >= kActivationGraceMs;
  }
  if (!lost || reported_) return false;
  reported_ = true;
  return true;
}

}  // namespace velmo
