#include "platform/x11/x11_input.h"

#include <X11/Xlib.h>

namespace velmo {
namespace {

bool OneOf(Window w, const unsigned long* windows, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (windows[i] == w) return true;
  return false;
}

}  // namespace

bool KeysReachWindows(void* display, const unsigned long* windows, size_t count, bool pointerToo) {
  auto* d = static_cast<Display*>(display);
  if (d == nullptr || count == 0) return false;
  Window focus = None;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  if (OneOf(focus, windows, count)) return true;
  if (!pointerToo || (focus != PointerRoot && focus != DefaultRootWindow(d))) return false;
  // The keys go to whatever window the pointer is over.
  Window root = None, child = None;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rootX, &rootY, &x, &y, &mask)) return false;
  return OneOf(child, windows, count);
}

bool PointerOnDesktop(void* display, int& x, int& y) {
  auto* d = static_cast<Display*>(display);
  if (d == nullptr) return false;
  Window root = None, child = None;
  int winX = 0, winY = 0;
  unsigned int mask = 0;
  return XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &winX, &winY, &mask);
}

}  // namespace velmo
