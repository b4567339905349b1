#pragma once
// A bare SDL window standing in for the application's window in pixel tests.
#include <SDL.h>

#include "platform/window.h"

namespace velmo {

class SdlTestWindow : public IWindow {
 public:
  SdlTestWindow() { window_ = SDL_CreateWindow("velmo test", 0, 0, 320, 240, SDL_WINDOW_HIDDEN); }
  ~SdlTestWindow() override {
    if (window_) SDL_DestroyWindow(window_);
  }
  void SetEvents(WindowEvents) override {}
  void SetCaption(const std::string&) override {}
  void Show() override { SDL_ShowWindow(window_); }
  void Close() override {}
  bool IsClosed() const override { return false; }
  void* NativeHandle() const override { return window_; }
  SDL_Window* Sdl() const { return window_; }

  // Sends a window event through SDL's queue, as the window system would.
  void Post(uint8_t what) const {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    event.window.windowID = SDL_GetWindowID(window_);
    SDL_PushEvent(&event);
  }

 private:
  SDL_Window* window_ = nullptr;
};

}  // namespace velmo
