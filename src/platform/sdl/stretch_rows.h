#pragma once
// The scaling routines of the SDL display's stretched blits, row by row:
// nearest pixel (keyed or not) and linear enlargement in fixed point. They
// allocate nothing and take no lock; the caller's thread (the loop's).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velmo {

// One row of a nearest-pixel stretch: count box columns from firstX, each
// taking source column X * sw / boxW (stepped, no division per pixel).
template <typename Source, typename Pixel>
void StretchRow(Source src, Pixel* dst, int count, int64_t firstX, int64_t sw, int64_t boxW) {
  int64_t column = firstX * sw / boxW, remainder = firstX * sw % boxW;
  if (sw <= boxW) {
    // Enlarging: at most one source column further per step, without a
    // branch the processor would mispredict at every few pixels.
    for (int i = 0; i < count; ++i) {
      dst[i] = src[column];
      remainder += sw;
      const int64_t carry = remainder >= boxW;
      column += carry;
      remainder -= carry * boxW;
    }
    return;
  }
  for (int i = 0; i < count; ++i) {
    dst[i] = src[column];
    remainder += sw;
    while (remainder >= boxW) remainder -= boxW, ++column;
  }
}

// The same, keyed: runs of source pixels other than the key are drawn, the
// first row of a source row by stepping, the rows repeating it as copies of
// those runs from the row above.
template <typename Pixel>
void StretchKeyedRow(const Pixel* src, Pixel* dst, int count, int64_t firstX, int64_t sw, int64_t boxW, Pixel key,
                     bool repeat, size_t pitch) {
  const int64_t lastX = firstX + count;  // box columns [firstX, lastX)
  const int64_t a0 = firstX * sw / boxW, a1 = std::min<int64_t>(sw, (lastX - 1) * sw / boxW + 1);
  for (int64_t a = a0; a < a1;) {
    if (src[a] == key) {
      ++a;
      continue;
    }
    int64_t b = a + 1;
    while (b < a1 && src[b] != key) ++b;
    // Box columns showing source columns [a, b): from ceil(a * boxW / sw) to ceil(b * boxW / sw).
    const int64_t from = std::max(firstX, (a * boxW + sw - 1) / sw), to = std::min(lastX, (b * boxW + sw - 1) / sw);
    if (from < to) {
      Pixel* out = dst + (from - firstX);
      if (repeat) {
        const auto* above = reinterpret_cast<const Pixel*>(reinterpret_cast<const uint8_t*>(out) - pitch);
        std::memcpy(out, above, static_cast<size_t>(to - from) * sizeof(Pixel));
      } else {
        StretchRow(src, out, static_cast<int>(to - from), from, sw, boxW);
      }
    }
    a = b;
  }
}

// Linear enlargement, for scales where nearest pixel would show blocks.
// Target pixel centres map onto the source (u = (X + 0.5) * sw / boxW - 0.5)
// from the absolute box column and row, so a clipped draw gives exactly the
// pixels of a whole one. Fixed point: the second pixel's weight in 256ths.
struct LinearTap {
  int32_t first;  // of the two source pixels mixed
  uint32_t weight;  // of the second, 0..256
};

// The tap of box position X of boxW over sw source pixels (sw >= 2).
LinearTap TapOf(int64_t X, int64_t sw, int64_t boxW);
// One row of 4-byte pixels mixed by taps; src holds the source row from
// column `from` on.
void MixRow(const uint32_t* src, int32_t from, const LinearTap* taps, uint32_t* out, int count);
// Two mixed rows blended bytewise, the second weighing w in 256ths.
void BlendRows(const uint8_t* top, const uint8_t* bottom, uint8_t* out, size_t bytes, uint32_t w);
// From this scale up a pixel of the sea's frames shows as a block of two by
// two or more; below it (1920 x 1080 shows 1.8 screen pixels a pixel) the
// blocks do not show and nearest pixel costs less.
bool Filtered(int64_t sw, int64_t sh, int64_t boxW, int64_t boxH);

}  // namespace velmo
