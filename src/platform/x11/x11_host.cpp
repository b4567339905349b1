#include "platform/x11/x11_host.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <atomic>
#include <memory>

namespace velmo {
namespace {

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

int xErrors = 0;
int CountError(Display*, XErrorEvent*) {
  ++xErrors;
  return 0;
}

// The window that __SWM_VROOT names among the root's children, or None.
Window VirtualRoot(Display* display, Window root) {
  const Atom vroot = XInternAtom(display, "__SWM_VROOT", True);
  if (vroot == None) return None;
  Window rootReturn = None, parent = None, found = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count)) return None;
  for (unsigned int i = 0; i < count && found == None; ++i) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, children[i], vroot, 0, 1, False, XA_WINDOW, &type, &format, &items, &after,
                           &data) == Success &&
        type == XA_WINDOW && items == 1 && data) {
      found = *reinterpret_cast<Window*>(data);
    }
    if (data) XFree(data);
  }
  if (children) XFree(children);
  return found;
}

XID watched = 0;
std::atomic<bool> watchedGone{false};
// An error that may mean the window went: SDL also asks about it by other
// resources (its frame, coordinates against a parent that is gone), so
// whether it is really gone is asked afterwards, outside the handler.
std::atomic<bool> watchedSuspect{false};
XErrorHandler beforeWatch = nullptr;

int WatchErrors(Display* display, XErrorEvent* e) {
  // A daemon that ends destroys its window, or frees what it made, in any
  // order with our drawing: errors about the window, what is drawn into it
  // (SDL's shared-memory pixmap and graphics context) or a mismatch mean it
  // may be gone, and are no fault to report.
  if (watched != 0 && (e->error_code == BadWindow || e->error_code == BadDrawable || e->error_code == BadMatch ||
                       e->error_code == BadGC || e->error_code == BadPixmap)) {
    if (e->resourceid == watched) watchedGone = true;
    else watchedSuspect = true;
    return 0;
  }
  return beforeWatch ? beforeWatch(display, e) : 0;
}

}  // namespace

void WatchHostWindow(uint64_t window) {
  watched = static_cast<XID>(window);
  watchedGone = false;
  watchedSuspect = false;
  const XErrorHandler previous = XSetErrorHandler(WatchErrors);
  if (previous != WatchErrors) beforeWatch = previous;
}

bool HostWindowGone() {
  if (watchedSuspect.exchange(false) && !X11WindowExists(watched)) watchedGone = true;
  return watchedGone.load();
}

void ListenToHostWindow(void* display, uint64_t window) {
  auto* d = static_cast<Display*>(display);
  XWindowAttributes attrs;
  // Our earlier selection on this connection, if any, is kept.
  const long before = XGetWindowAttributes(d, static_cast<Window>(window), &attrs) ? attrs.your_event_mask : 0;
  XSelectInput(d, static_cast<Window>(window), before | ExposureMask | StructureNotifyMask);
  XFlush(d);
}

uint64_t ScreenRootWindow() {
  const DisplayPtr display(XOpenDisplay(nullptr));
  if (!display) return 0;
  const Window root = DefaultRootWindow(display.get());
  const Window virtualRoot = VirtualRoot(display.get(), root);
  return virtualRoot != None ? virtualRoot : root;
}

namespace {

// Asks about a window over a short-lived connection of our own, with X
// errors counted rather than fatal: true when ask succeeded without one.
template <typename Ask>
bool AskAboutWindow(uint64_t window, Ask ask) {
  if (window == 0) return false;
  const DisplayPtr display(XOpenDisplay(nullptr));
  if (!display) return false;
  XSync(display.get(), False);
  xErrors = 0;
  const auto previous = XSetErrorHandler(CountError);
  const bool ok = ask(display.get(), static_cast<Window>(window));
  XSync(display.get(), False);
  XSetErrorHandler(previous);
  return ok && xErrors == 0;
}

}  // namespace

bool X11WindowExists(uint64_t window) {
  return AskAboutWindow(window, [](Display* d, Window w) {
    XWindowAttributes attrs;
    return XGetWindowAttributes(d, w, &attrs) != 0;
  });
}

bool HostWindowArea(uint64_t window, Rect& area) {
  Rect found;
  const bool ok = AskAboutWindow(window, [&](Display* d, Window w) {
    XWindowAttributes attrs;
    Window child = None;
    int x = 0, y = 0;
    if (!XGetWindowAttributes(d, w, &attrs) || !XTranslateCoordinates(d, w, attrs.root, 0, 0, &x, &y, &child))
      return false;
    found = Rect{x, y, x + attrs.width, y + attrs.height};
    return true;
  });
  if (ok) area = found;
  return ok;
}

}  // namespace velmo
