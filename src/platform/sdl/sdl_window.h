#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"

namespace velmo {

// A window of the saver's over SDL: one it made (borderless, resizable, or
// over a monitor's area) or a daemon's it draws into (hosted). Every method
// runs on the loop's (main) thread. It enters itself in the application's
// list of windows for its life and destroys its SDL window with itself.
class SdlWindow : public IWindow {
 public:
  SdlWindow(SDL_Window* window, std::vector<SdlWindow*>& registry, bool hosted = false)
      : window_(window), registry_(registry), hosted_(hosted) {
    registry_.push_back(this);
  }
  ~SdlWindow() override {
    std::erase(registry_, this);
    if (window_) SDL_DestroyWindow(window_);
  }
  void SetEvents(WindowEvents events) override { events_ = std::move(events); }
  void SetCaption(const std::string& caption) override { SDL_SetWindowTitle(window_, caption.c_str()); }
  void Show() override {
    if (hosted_) return;  // the daemon shows its window and keeps it on top
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    shown_ = true;
  }
  void Close() override;
  bool IsClosed() const override { return closed_; }
  void* NativeHandle() const override { return window_; }
  bool GetClientSize(int& width, int& height) const override {
    SDL_GetWindowSize(window_, &width, &height);
    return width > 0 && height > 0;
  }
  bool GetDesktopArea(Rect& area) const override;
  void SetHostId(uint64_t id) { hostId_ = id; }
  bool GetCoverArea(Rect& area) const override {
    if (!covers_) return false;
    area = area_;
    return true;
  }
  void SetCoverArea(const Rect& area) override {
    covers_ = true;
    area_ = area;
    NoteMoved();
  }

  // A window made to cover a monitor's area that the window system moved
  // or sized (a window manager places full-screen windows by its own idea
  // of the monitors, which lags behind a change of them): KeepCovering
  // looks again. Cheap.
  void NoteMoved() {
    if (!covers_) return;
    checkCover_ = true;
    coverAttempts_ = 0;
  }
  // Once per turn of the loop: a covering window found off its area is put
  // back over it, a few times a second at most and for a while at most.
  // Round trips to the window system only while a move is being checked.
  void KeepCovering(uint64_t nowMs);

  bool HoldsKeyboard() const override;
  // One of the program's windows has the keyboard focus, in SDL's view or
  // already in the window system's (the focus SDL takes later); pointerToo:
  // also when the focus follows the pointer and it is over one of them.
  // Round trips to the window system only when SDL says none has it.
  bool OursHaveFocus(bool pointerToo) const;

  uint32_t Id() const { return SDL_GetWindowID(window_); }
  bool Hosted() const { return hosted_; }
  const WindowEvents& Events() const { return events_; }

  // True once the window, after it was shown and active, has been hidden,
  // minimised, or without the focus for kActivationGraceMs; reported once
  // per loss. Read from SDL's window flags, which are current after a pump,
  // so events that are stale by then (a hide and show of a mode change)
  // count for nothing.
  // ourFocus: one of the program's windows has the focus (the saver's
  // windows on other monitors count as its own).
  bool LostActivation(uint64_t nowMs, bool ourFocus);
  void NoteFocusGained() { hadFocus_ = true; }

  // A notification that takes the focus and gives it back within a frame of
  // the scene is not a loss.
  static constexpr uint64_t kActivationGraceMs = 60;
  // The window manager has this long to place a covering window before it is
  // put back, and that many tries (about five seconds in all).
  static constexpr uint64_t kCoverCheckMs = 200;
  static constexpr int kCoverAttempts = 25;

 private:
  SDL_Window* window_;
  std::vector<SdlWindow*>& registry_;
  WindowEvents events_;
  bool hosted_;
  bool closed_ = false;
  bool shown_ = false;
  bool hadFocus_ = false;
  bool reported_ = false;
  uint64_t unfocusedSince_ = 0;
  bool covers_ = false;
  Rect area_{};
  bool checkCover_ = false;
  int coverAttempts_ = 0;
  uint64_t coverCheckedAt_ = 0;
  uint64_t hostId_ = 0;
};

}  // namespace velmo
