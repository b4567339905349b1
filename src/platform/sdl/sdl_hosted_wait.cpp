#include "platform/sdl/sdl_hosted_wait.h"

#include <cstdio>
#include <cstring>

#include "platform/x11/x11_handles.h"
#include "platform/x11/x11_host.h"
#include "platform/x11/x11_wait.h"

namespace velmo {

SDL_Window* AdoptHostWindow(uint64_t nativeWindow, void** hostDisplay) {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || std::strcmp(driver, "x11") != 0) {
    std::fprintf(stderr, "velmo: a window given by id needs the X11 video driver, not %s\n", driver ? driver : "none");
    return nullptr;
  }
  if (nativeWindow == 0) nativeWindow = ScreenRootWindow();
  if (nativeWindow == 0 || !X11WindowExists(nativeWindow)) {
    std::fprintf(stderr, "velmo: the window 0x%llx does not exist\n", static_cast<unsigned long long>(nativeWindow));
    return nullptr;
  }
  SDL_Window* w = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<uintptr_t>(nativeWindow)));
  if (!w) {
    std::fprintf(stderr, "velmo: cannot draw into the window 0x%llx: %s\n",
                 static_cast<unsigned long long>(nativeWindow), SDL_GetError());
    return nullptr;
  }
  WatchHostWindow(nativeWindow);
  // SDL listens to no event of a window it did not make; these reach it
  // over its own connection and come back as window events.
  if (X11Handles x11; X11HandlesOf(w, x11)) {
    ListenToHostWindow(x11.display, nativeWindow);
    *hostDisplay = x11.display;
  }
  return w;
}

// SDL's own wait cannot be used there: SDL ends it for another thread's
// event by sending an X event to its first shown window, here the daemon's;
// once that window is gone the error stays pending on SDL's connection
// until SDL closes it with Xlib's own handler back, which prints it and
// exits with 1. Work already there is done first, without waiting: events
// in SDL's queue, events Xlib read during a round trip since the last pump
// (the present waits for one), an error saying the window may have gone.
bool WaitHosted(void* hostDisplay, int wakeFd, int timeoutMs) {
  if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return false;
  if (hostDisplay && X11EventsQueued(hostDisplay)) return false;
  if (HostWindowGone()) return false;
  WaitForX11Input(hostDisplay, wakeFd, timeoutMs);
  return true;
}

}  // namespace velmo
