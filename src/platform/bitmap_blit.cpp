#include "platform/bitmap_blit.h"

#include <algorithm>
#include <array>

#include "platform/pixel_format.h"

namespace velmo {

void StretchBitmap(const PixelTarget& target, const Rect& box, const Bitmap& bitmap) {
  if (bitmap.Empty() || target.pixels == nullptr) return;
  const int64_t boxW = int64_t{box.right} - box.left;
  const int64_t boxH = int64_t{box.bottom} - box.top;
  if (boxW <= 0 || boxH <= 0) return;
  const int x0 = std::max(box.left, 0), x1 = static_cast<int>(std::min<int64_t>(box.right, target.width));
  const int y0 = std::max(box.top, 0), y1 = static_cast<int>(std::min<int64_t>(box.bottom, target.height));
  if (x0 >= x1 || y0 >= y1) return;

  const int bw = bitmap.Width(), bh = bitmap.Height();
  std::array<uint32_t, 256> palette{};
  const bool indexed = bitmap.GetFormat() == Bitmap::Format::Indexed8;
  if (indexed) {
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = NativeFromColour(bitmap.Palette()[i], target.bits);
  }
  for (int y = y0; y < y1; ++y) {
    const int sy = static_cast<int>((int64_t{y} - box.top) * bh / boxH);
    uint8_t* row = target.pixels + static_cast<size_t>(y) * target.pitch;
    const size_t srcRow = static_cast<size_t>(sy) * bw;
    for (int x = x0; x < x1; ++x) {
      const int sx = static_cast<int>((int64_t{x} - box.left) * bw / boxW);
      uint32_t native;
      if (indexed) {
        native = palette[bitmap.Indices()[srcRow + sx]];
      } else {
        const uint32_t p = bitmap.Pixels()[srcRow + sx];  // 0x00RRGGBB
        native = NativeFromRgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, target.bits);
      }
      WriteNative(row, x, native, target.bits);
    }
  }
}

}  // namespace velmo
