#include "platform/ycc_planes.h"

#include <algorithm>
#include <array>

namespace velmo {
namespace {

// libjpeg's fixed point (jdcolor.c): 16 fraction bits, constants rounded.
constexpr int kHalf = 1 << 15;
constexpr int kCrToR = 91881;   // 1.40200
constexpr int kCbToB = 116130;  // 1.77200
constexpr int kCrToG = 46802;   // 0.71414
constexpr int kCbToG = 22554;   // 0.34414

inline uint32_t Clamp(int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); }

// One pixel from its brightness and its colour sample's three offsets.
inline uint32_t Pixel(int y, int red, int green, int blue, uint32_t high) {
  return high | Clamp(y + red) << 16 | Clamp(y + green) << 8 | Clamp(y + blue);
}

}  // namespace

// Built twice on x86-64: the wider vectors of AVX2 where the processor has
// them (half the time: 0.08 ms for a 1067 x 166 frame), the baseline's
// elsewhere; the loader picks one once.
#if defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
void YccToRgb(const YccPlanes& picture, int first, int rows, uint8_t* out, size_t pitch, uint32_t high) {
  const int w = picture.width, cw = picture.ChromaWidth();
  // Colour columns in chunks: a chunk's colour offsets are worked out once
  // per colour row, then used for the one or two rows that share it, two
  // brightness samples for each.
  constexpr int kChunk = 256;
  std::array<int16_t, kChunk> red, green, blue;
  for (int c0 = 0; c0 < cw; c0 += kChunk) {
    const int count = std::min(kChunk, cw - c0);
    // Brightness columns [x0, x1) take colour columns [c0, c0 + count).
    const int x0 = std::max(2 * c0 - picture.phaseX, 0), x1 = std::min(2 * (c0 + count) - picture.phaseX, w);
    int chromaRow = -1;
    for (int r = first; r < first + rows; ++r) {
      const int cy = (r + picture.phaseY) >> 1;
      if (cy != chromaRow) {
        chromaRow = cy;
        const uint8_t* cb = picture.cb + static_cast<size_t>(cy) * cw + c0;
        const uint8_t* cr = picture.cr + static_cast<size_t>(cy) * cw + c0;
        for (int i = 0; i < count; ++i) {
          const int b = cb[i] - 128, v = cr[i] - 128;
          red[i] = static_cast<int16_t>((kCrToR * v + kHalf) >> 16);
          blue[i] = static_cast<int16_t>((kCbToB * b + kHalf) >> 16);
          green[i] = static_cast<int16_t>((-kCbToG * b - kCrToG * v + kHalf) >> 16);
        }
      }
      const uint8_t* luma = picture.y + static_cast<size_t>(r) * w;
      auto* dst = reinterpret_cast<uint32_t*>(out + static_cast<size_t>(r - first) * pitch);
      int x = x0;
      if (((x + picture.phaseX) & 1) && x < x1) {  // the second of its block
        const int i = ((x + picture.phaseX) >> 1) - c0;
        dst[x] = Pixel(luma[x], red[i], green[i], blue[i], high);
        ++x;
      }
      // Whole blocks: columns x + 2k and x + 2k + 1 share colour sample i0 + k.
      const int i0 = ((x + picture.phaseX) >> 1) - c0, pairs = (x1 - x) / 2;
      const uint8_t* l = luma + x;
      uint32_t* d = dst + x;
      for (int k = 0; k < pairs; ++k) {
        const int rr = red[i0 + k], gg = green[i0 + k], bb = blue[i0 + k];
        d[2 * k] = Pixel(l[2 * k], rr, gg, bb, high);
        d[2 * k + 1] = Pixel(l[2 * k + 1], rr, gg, bb, high);
      }
      x += 2 * pairs;
      if (x < x1) {  // the first of a block the picture's edge cuts
        const int i = ((x + picture.phaseX) >> 1) - c0;
        dst[x] = Pixel(luma[x], red[i], green[i], blue[i], high);
      }
    }
  }
}

}  // namespace velmo
