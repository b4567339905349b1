#include "platform/changed_area.h"

#include <algorithm>

namespace velmo {
namespace {

bool Inside(const PixelRect& a, const PixelRect& b) {
  return a.x >= b.x && a.y >= b.y && a.x + a.w <= b.x + b.w && a.y + a.h <= b.y + b.h;
}

// The union of a and b when it is exactly their pixels (one above the
// other at the same columns, or side by side at the same rows, touching or
// overlapping), so that a part drawn in pieces stays one rectangle.
bool Join(PixelRect& a, const PixelRect& b) {
  if (a.x == b.x && a.w == b.w && a.y <= b.y + b.h && b.y <= a.y + a.h) {
    const int bottom = std::max(a.y + a.h, b.y + b.h);
    a.y = std::min(a.y, b.y);
    a.h = bottom - a.y;
    return true;
  }
  if (a.y == b.y && a.h == b.h && a.x <= b.x + b.w && b.x <= a.x + a.w) {
    const int right = std::max(a.x + a.w, b.x + b.w);
    a.x = std::min(a.x, b.x);
    a.w = right - a.x;
    return true;
  }
  return false;
}

}  // namespace

void ChangedArea::Add(const PixelRect& added) {
  if (whole || added.w <= 0 || added.h <= 0) return;
  PixelRect r = added;
  // Listed rectangles inside the new one, or joining it exactly, go into it.
  for (bool grown = true; grown;) {
    grown = false;
    int kept = 0;
    for (int i = 0; i < count; ++i) {
      const PixelRect o = rects[i];
      if (Inside(r, o)) return;
      if (Inside(o, r)) continue;
      if (Join(r, o)) {
        grown = true;
        continue;
      }
      rects[kept++] = o;
    }
    count = kept;
  }
  if (count == kMaxRects) {
    whole = true;
    return;
  }
  rects[count++] = r;
}

}  // namespace velmo
