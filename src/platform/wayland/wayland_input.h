#pragma once
// The Wayland backend's input rules, apart from the protocol: which of the
// saver's windows a key, a pointer movement or a button goes to, in which
// coordinates, and whether the keyboard focus is still the program's. The
// seat's listeners (wayland_connection.cpp) feed it decoded events; a test feeds
// it directly. Main thread; allocates nothing per event.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/window.h"

namespace velmo {

// A window input can go to.
class IInputTarget {
 public:
  virtual ~IInputTarget() = default;
  virtual const WindowEvents& InputEvents() const = 0;
  virtual bool InputClosed() const = 0;
  // Where the window's top-left lies on the desktop, in its own pixels, and
  // how many of its pixels one surface unit is across and down (the scale
  // of the frame last committed).
  virtual void InputPlace(int& x, int& y, double& scaleX, double& scaleY) const = 0;
};

class WaylandInput {
 public:
  // A window went away: nothing is sent to it any more. A window that held
  // the keyboard hands it on (the compositor gives it to whichever surface
  // it likes): the focus counts as the program's until it next comes.
  void Forget(IInputTarget* target);

  void PointerEnter(IInputTarget* target, double x, double y);
  void PointerLeave(IInputTarget* target);
  // Surface coordinates, reported as the window's desktop pixels.
  void PointerMotion(double x, double y);
  // A button pressed or the wheel turned over the window under the pointer.
  void PointerButton();

  void KeyboardEnter(IInputTarget* target);
  void KeyboardLeave(IInputTarget* target);
  // The seat lost its keyboard (a virtual keyboard's program ended): no
  // keyboard, no focus to lose.
  void KeyboardGone();
  // A key went down (or repeats): its virtual key and shift state to the
  // focused window, then each character it types (text: UTF-8; only single
  // bytes, control characters among them, are characters here).
  void Key(int virtualKey, uint32_t shift, std::string_view text);

  // The keyboard focus is on one of the program's windows, or has not been
  // had yet, or was handed on by a window that went away: only a focus
  // taken away by another program counts as lost.
  bool FocusIsOurs() const { return focus_ != nullptr || !hadFocus_ || handedOn_; }
  bool HadFocus() const { return hadFocus_; }
  // One of the program's windows holds the keyboard focus now.
  bool Focused() const { return focus_ != nullptr; }

 private:
  IInputTarget* pointer_ = nullptr;
  IInputTarget* focus_ = nullptr;
  bool hadFocus_ = false;
  bool handedOn_ = false;
};

}  // namespace velmo
