#include "platform/bitmap_blit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/pixel_format.h"

namespace velmo {

void StretchBitmap(const PixelTarget& target, const Rect& box, const Bitmap& bitmap) {
  if (bitmap.Empty() || target.pixels == nullptr) return;
  if (bitmap.GetFormat() == Bitmap::Format::Ycc420) {
    StretchBitmap(target, box, bitmap.TrueColourCopy());
    return;
  }
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
  // The source column of each target column, worked out once; a target row
  // whose source row is the one before it is a copy of that row.
  std::vector<int> columns(static_cast<size_t>(x1 - x0));
  for (int x = x0; x < x1; ++x) columns[x - x0] = static_cast<int>((int64_t{x} - box.left) * bw / boxW);
  const size_t rowBytes = static_cast<size_t>(x1 - x0) * BytesPerPixel(target.bits);
  int lastSy = -1;
  for (int y = y0; y < y1; ++y) {
    const int sy = static_cast<int>((int64_t{y} - box.top) * bh / boxH);
    uint8_t* row = target.pixels + static_cast<size_t>(y) * target.pitch;
    if (sy == lastSy) {
      std::memcpy(row + static_cast<size_t>(x0) * BytesPerPixel(target.bits),
                  row - target.pitch + static_cast<size_t>(x0) * BytesPerPixel(target.bits), rowBytes);
      continue;
    }
    lastSy = sy;
    const size_t srcRow = static_cast<size_t>(sy) * bw;
    if (indexed) {
      const uint8_t* src = bitmap.Indices() + srcRow;
      for (int x = x0; x < x1; ++x) WriteNative(row, x, palette[src[columns[x - x0]]], target.bits);
    } else if (target.bits != 16) {
      // 0x00RRGGBB is already the native value of 24 and 32 bits.
      const uint32_t* src = bitmap.Pixels() + srcRow;
      auto* out = reinterpret_cast<uint32_t*>(row);
      for (int x = x0; x < x1; ++x) out[x] = src[columns[x - x0]] & 0xFFFFFFu;
    } else {
      const uint32_t* src = bitmap.Pixels() + srcRow;
      for (int x = x0; x < x1; ++x) {
        const uint32_t p = src[columns[x - x0]];
        WriteNative(row, x, NativeFromRgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, 16), 16);
      }
    }
  }
}

}  // namespace velmo
