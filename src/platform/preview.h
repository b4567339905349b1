#pragma once
// The preview window that another process owns (an X11 window id here).
#include <cstdint>

#include "platform/gdi.h"

namespace velmo {

using WindowId = uint64_t;

class IForeignWindows {
 public:
  virtual ~IForeignWindows() = default;
  // False when there is no such window (or it was destroyed).
  virtual bool IsWindow(WindowId window) = 0;
  // False for a window that is not (yet) viewable, or that does not exist.
  virtual bool IsWindowVisible(WindowId window) = 0;
  // Lets pending events of this process through, waiting a few milliseconds
  // for one, so a polling loop does not spin a core.
  virtual void ProcessMessages() = 0;
  // A drawing context over the window, or null; give it back with ReleaseDC.
  virtual IDeviceContext* GetDC(WindowId window) = 0;
  virtual void ReleaseDC(WindowId window, IDeviceContext* dc) = 0;
};

}  // namespace velmo
