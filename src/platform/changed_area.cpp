#include "platform/changed_area.h"

#include "platform/rect.h"

namespace velmo {
namespace {

Rect RectOf(const PixelRect& r) { return Rect{r.x, r.y, r.x + r.w, r.y + r.h}; }
PixelRect PixelRectOf(const Rect& r) { return PixelRect{r.left, r.top, r.Width(), r.Height()}; }

}  // namespace

void ChangedArea::Add(const PixelRect& added) {
  if (whole || added.w <= 0 || added.h <= 0) return;
  Rect r = RectOf(added);
  // Listed rectangles inside the new one, or joining it exactly (a part
  // drawn in pieces), go into it.
  for (bool grown = true; grown;) {
    grown = false;
    int kept = 0;
    for (int i = 0; i < count; ++i) {
      const Rect o = RectOf(rects[i]);
      if (o.Contains(r)) return;
      if (r.Contains(o)) continue;
      if (const auto joined = r.JoinedExactly(o)) {
        r = *joined;
        grown = true;
        continue;
      }
      rects[kept++] = rects[i];
    }
    count = kept;
  }
  if (count == kMaxRects) {
    whole = true;
    return;
  }
  rects[count++] = PixelRectOf(r);
}

}  // namespace velmo
