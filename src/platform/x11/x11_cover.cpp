#include "platform/x11/x11_cover.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/x11/x11_handles.h"

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

// Adds or removes full screen in the window's _NET_WM_STATE. A mapped
// window's state belongs to the window manager: it is asked by a message to
// the root window, which it answers by resizing the window over its monitor.
void RequestFullScreen(Display* display, Window window, bool on) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = on ? 1 : 0;
  event.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False));
  event.xclient.data.l[3] = 1;  // a normal application
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &event);
}

}  // namespace

bool CoverArea(SDL_Window* window, const SDL_Rect& area, bool byHand) {
  X11Handles x11;
  if (!X11HandlesOf(window, x11)) return false;
  Display* display = static_cast<Display*>(x11.display);
  const Window w = x11.window;
  const bool managed = WindowManagerRuns(display);
  // Out of full screen first, so that the move lands the window on its monitor.
  if (managed) RequestFullScreen(display, w, false);
  // SDL fixes a window's size in its hints (minimum = maximum); a window
  // manager keeps to them.
  XSizeHints* hints = XAllocSizeHints();
  if (hints) {
    hints->flags = PMinSize | PMaxSize | USPosition | USSize;
    hints->x = area.x;
    hints->y = area.y;
    hints->width = hints->min_width = hints->max_width = area.w;
    hints->height = hints->min_height = hints->max_height = area.h;
    XSetWMNormalHints(display, w, hints);
    XFree(hints);
  }
  XMoveResizeWindow(display, w, area.x, area.y, static_cast<unsigned>(area.w), static_cast<unsigned>(area.h));
  if (managed && !byHand) RequestFullScreen(display, w, true);
  XRaiseWindow(display, w);
  XSync(display, False);
  return true;
}

bool CoversArea(SDL_Window* window, const SDL_Rect& area) {
  X11Handles x11;
  if (!X11HandlesOf(window, x11)) return true;
  Display* display = static_cast<Display*>(x11.display);
  Window root = None, child = None;
  int x = 0, y = 0;
  unsigned int w = 0, h = 0, border = 0, depth = 0;
  if (!XGetGeometry(display, x11.window, &root, &x, &y, &w, &h, &border, &depth)) return true;
  if (!XTranslateCoordinates(display, x11.window, root, 0, 0, &x, &y, &child)) return true;
  return x == area.x && y == area.y && static_cast<int>(w) == area.w && static_cast<int>(h) == area.h;
}

void CoverDisplayWithoutWindowManager(SDL_Window* window, const SDL_Rect& bounds) {
  X11Handles x11;
  if (!X11HandlesOf(window, x11)) return;
  Display* display = static_cast<Display*>(x11.display);
  if (WindowManagerRuns(display)) return;
  XMoveResizeWindow(display, x11.window, bounds.x, bounds.y, static_cast<unsigned>(bounds.w),
                    static_cast<unsigned>(bounds.h));
  XRaiseWindow(display, x11.window);
  XSync(display, False);
}

}  // namespace velmo
