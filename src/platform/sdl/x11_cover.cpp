#include "platform/sdl/x11_cover.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>

namespace velmo {
namespace {

bool WindowManagerRuns(Display* display) {
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  const int rc = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                    &format, &items, &after, &data);
  const bool found = rc == Success && type == XA_WINDOW && items == 1;
  if (data) XFree(data);
  return found;
}

}  // namespace

void CoverDisplayWithoutWindowManager(SDL_Window* window, const SDL_Rect& bounds) {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (window == nullptr || driver == nullptr || std::strcmp(driver, "x11") != 0) return;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* display = info.info.x11.display;
  if (WindowManagerRuns(display)) return;
  XMoveResizeWindow(display, info.info.x11.window, bounds.x, bounds.y, static_cast<unsigned>(bounds.w),
                    static_cast<unsigned>(bounds.h));
  XRaiseWindow(display, info.info.x11.window);
  XSync(display, False);
}

}  // namespace velmo
