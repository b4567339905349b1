#pragma once
// A rectangle of pixels and its arithmetic, used wherever parts of a frame,
// a window or the desktop are cut, joined or compared. Right and bottom
// edges are excluded, as GDI's boxes exclude them.
#include <algorithm>
#include <cstdint>
#include <optional>

namespace velmo {

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const Rect&) const = default;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  // Whether the pixel at (x, y) lies inside.
  bool Holds(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
  // Whether the two share a pixel.
  bool Overlaps(const Rect& o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
  // Whether every pixel of o lies inside this one.
  bool Contains(const Rect& o) const {
    return o.left >= left && o.top >= top && o.right <= right && o.bottom <= bottom;
  }
  // The smallest rectangle holding both.
  Rect United(const Rect& o) const {
    return Rect{std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
  }
  // The pixels both hold; Empty when they share none.
  Rect Intersected(const Rect& o) const {
    return Rect{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
  }
  // The union when it is exactly the two's pixels (one above the other at the
  // same columns, or side by side at the same rows, touching or overlapping).
  std::optional<Rect> JoinedExactly(const Rect& o) const {
    const bool column = left == o.left && right == o.right && top <= o.bottom && o.top <= bottom;
    const bool row = top == o.top && bottom == o.bottom && left <= o.right && o.left <= right;
    return column || row ? std::optional<Rect>(United(o)) : std::nullopt;
  }
  // The parts of this one outside o, at most four, written to out; answers how many.
  int Minus(const Rect& o, Rect* out) const {
    if (!Overlaps(o)) {
      out[0] = *this;
      return 1;
    }
    int n = 0;
    if (top < o.top) out[n++] = Rect{left, top, right, o.top};
    if (o.bottom < bottom) out[n++] = Rect{left, o.bottom, right, bottom};
    const int32_t midTop = std::max(top, o.top), midBottom = std::min(bottom, o.bottom);
    if (left < o.left) out[n++] = Rect{left, midTop, o.left, midBottom};
    if (o.right < right) out[n++] = Rect{o.right, midTop, right, midBottom};
    return n;
  }
};

}  // namespace velmo
