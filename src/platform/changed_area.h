#pragma once
// The parts of a frame that drawing changed: a few rectangles, or all of it.
// Plain data shared by the surfaces that record it and the presenters that
// send it (SDL's window, a window that takes frames itself). Allocates
// nothing; not thread-safe.
#include <array>

namespace velmo {

// A rectangle of pixels: left, top, width, height.
struct PixelRect {
  int x = 0, y = 0, w = 0, h = 0;
};

struct ChangedArea {
  static constexpr int kMaxRects = 48;
  std::array<PixelRect, kMaxRects> rects{};
  int count = 0;
  bool whole = true;
  // r is already clipped to the surface; one inside a rectangle already
  // listed adds nothing, those inside it or joining it exactly (a part drawn
  // in pieces) become one with it, and too many make the whole surface changed.
  void Add(const PixelRect& r);
  // Everything other holds, added.
  void Add(const ChangedArea& other) {
    if (other.whole) whole = true;
    for (int i = 0; i < other.count && !whole; ++i) Add(other.rects[i]);
  }
  void Clear() {
    count = 0;
    whole = false;
  }
  bool Empty() const { return !whole && count == 0; }
};

}  // namespace velmo
