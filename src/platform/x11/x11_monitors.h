#pragma once
// The monitors of an X11 desktop, from RandR (Xinerama where the server has
// no RandR 1.5), over a connection of our own that also listens for changes.
#include <memory>
#include <vector>

#include "platform/display.h"

namespace velmo {

class X11Monitors {
 public:
  // Null without an X display. Opens one connection; blocks on its set-up.
  static std::unique_ptr<X11Monitors> Open();
  ~X11Monitors();
  X11Monitors(const X11Monitors&) = delete;
  X11Monitors& operator=(const X11Monitors&) = delete;

  // Every monitor as the server lists it (mirrors and all; see
  // DistinctMonitors). One round trip; allocates the list. Main thread.
  std::vector<MonitorArea> List();
  // True when the server said the outputs or the screen changed since the
  // last List(). Reads what already arrived without waiting; allocates nothing.
  bool Changed();

 private:
  explicit X11Monitors(void* display);
  void* display_;  // Display*
  int randrEvents_ = -1;  // RandR's first event code; -1 without RandR
  bool changed_ = false;
};

}  // namespace velmo
