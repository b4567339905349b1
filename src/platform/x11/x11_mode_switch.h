#pragma once
// A display mode of the saver's own on X11, around SDL's switch: before
// it, the watcher that gives the desktop its mode back however the saver
// ends (X11ModeGuard); after it, the pointer motion the switch made (the
// server clamps the pointer into the smaller screen) dropped, since it is
// no movement of the user's. Main thread; nothing on other video drivers.
#include <SDL.h>

#include <memory>

#include "platform/x11/mode_guard.h"

namespace velmo {

class X11ModeSwitch {
 public:
  // window's display is about to switch to width x height: the watcher is
  // armed, once per size (a few round trips and a fork).
  void Before(SDL_Window* window, int width, int height);
  // The switch is done: waits for the server, then drops the motion it made.
  void After();
  // The switch failed, or the mode was given back: the watcher stands down.
  void Disarm();

 private:
  std::unique_ptr<X11ModeGuard> guard_;  // while the display is in a mode of our own
  int width_ = 0, height_ = 0;
  void* display_ = nullptr;  // the X connection of the last switch
};

}  // namespace velmo
