#include "platform/x11/x11_monitors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

namespace velmo {

std::unique_ptr<X11Monitors> X11Monitors::Open() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  return std::unique_ptr<X11Monitors>(new X11Monitors(display));
}

X11Monitors::X11Monitors(void* display) : display_(display) {
  auto* d = static_cast<Display*>(display_);
  int errors = 0, major = 0, minor = 0;
  if (XRRQueryExtension(d, &randrEvents_, &errors) && XRRQueryVersion(d, &major, &minor) &&
      (major > 1 || (major == 1 && minor >= 5))) {
    XRRSelectInput(d, DefaultRootWindow(d),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    XFlush(d);
  } else {
    randrEvents_ = -1;
  }
}

X11Monitors::~X11Monitors() { XCloseDisplay(static_cast<Display*>(display_)); }

std::vector<MonitorArea> X11Monitors::List() {
  auto* d = static_cast<Display*>(display_);
  changed_ = false;
  std::vector<MonitorArea> list;
  if (randrEvents_ >= 0) {
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(d, DefaultRootWindow(d), True, &count);
    for (int i = 0; i < count; ++i) {
      const XRRMonitorInfo& m = monitors[i];
      list.push_back({Rect{m.x, m.y, m.x + m.width, m.y + m.height}, m.primary != 0});
    }
    if (monitors) XRRFreeMonitors(monitors);
    return list;
  }
  int count = 0;
  if (XineramaIsActive(d)) {
    XineramaScreenInfo* screens = XineramaQueryScreens(d, &count);
    for (int i = 0; i < count; ++i) {
      const XineramaScreenInfo& s = screens[i];
      list.push_back({Rect{s.x_org, s.y_org, s.x_org + s.width, s.y_org + s.height}, i == 0});
    }
    if (screens) XFree(screens);
  }
  return list;
}

bool X11Monitors::Changed() {
  auto* d = static_cast<Display*>(display_);
  if (randrEvents_ < 0) return false;
  // Only RandR's notices are selected on this connection.
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    XRRUpdateConfiguration(&event);
    changed_ = true;
  }
  return changed_;
}

}  // namespace velmo
