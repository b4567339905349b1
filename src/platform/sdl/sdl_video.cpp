#include "platform/sdl/sdl_video.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/wayland/wayland_probe.h"

namespace velmo {
namespace {

// SDL chose a driver that shows nothing, on its own: nobody asked for it by name.
bool OnlyInvisibleVideo() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) return true;
  if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return false;
  const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  return requested == nullptr || *requested == '\0';
}

// Why no display could be used: the Wayland compositor's part when one is
// named, then X11's.
std::string WhyNoVideo(WaylandCompositor wayland, bool sdlFailed) {
  std::string why;
  const std::string name = WaylandDisplayName();
  if (wayland == WaylandCompositor::kNoAnswer) {
    why = "no Wayland compositor answers on " + name + ", and ";
  } else if (wayland == WaylandCompositor::kNoSeat && SdlNeedsWaylandSeat()) {
    SDL_version linked;
    SDL_GetVersion(&linked);
    why = "the Wayland compositor on " + name + " offers no input seat, which SDL " + std::to_string(linked.major) +
          "." + std::to_string(linked.minor) + " cannot start without, and ";
  }
  if (sdlFailed && why.empty()) return SDL_GetError();
  const char* display = SDL_getenv("DISPLAY");
  return why + (display && *display ? "no display can be opened" : "no display (DISPLAY is not set)");
}

}  // namespace

bool StartSdlVideo() {
  // Input must reach us even when the pointer sits still over a fresh window.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // SDL would keep the desktop's own blanker away in every mode; only the
  // running saver asks for that (ISystem::SetScreenSaverRunning).
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Termination signals come through our own watcher, in every state.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A Wayland driver that would crash is kept away; X11 may still serve.
  const WaylandCompositor wayland = ProbeWaylandCompositor();
  if (wayland == WaylandCompositor::kNoSeat && SdlNeedsWaylandSeat()) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "velmo: cannot start the video system: %s\n", WhyNoVideo(wayland, true).c_str());
    return false;
  }
  if (OnlyInvisibleVideo()) {
    // With no display SDL falls back to a driver that draws into memory:
    // the saver would then run unseen and never end.
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    std::fprintf(stderr, "velmo: cannot start the video system: %s\n", WhyNoVideo(wayland, false).c_str());
    return false;
  }
  return true;
}

void StopSdlVideo() { SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS); }

}  // namespace velmo
