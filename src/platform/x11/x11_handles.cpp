#include "platform/x11/x11_handles.h"

#include <SDL_syswm.h>

#include <cstring>

namespace velmo {

bool X11HandlesOf(SDL_Window* window, X11Handles& handles) {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (window == nullptr || driver == nullptr || std::strcmp(driver, "x11") != 0) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  handles.display = info.info.x11.display;
  handles.window = info.info.x11.window;
  return true;
}

}  // namespace velmo
