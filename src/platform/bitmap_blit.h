#pragma once
// Draws a Bitmap into raw surface memory, converted to the surface's native
// format and scaled by nearest pixel (each target pixel takes one source
// pixel; nothing is blended), clipped to the surface.
#include <cstdint>

#include "platform/bitmap.h"
#include "platform/gdi.h"

namespace velmo {

struct PixelTarget {
  uint8_t* pixels = nullptr;
  int pitch = 0;  // bytes per row
  int width = 0;
  int height = 0;
  uint32_t bits = 32;  // 16, 24 or 32
};

// The whole bitmap scaled into box (right and bottom excluded). An empty
// bitmap or an empty or inverted box draws nothing.
void StretchBitmap(const PixelTarget& target, const Rect& box, const Bitmap& bitmap);

}  // namespace velmo
