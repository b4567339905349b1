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

}  // namespace

void YccToRgb(const YccPlanes& picture, int first, int rows, uint8_t* out, size_t pitch, uint32_t high) {
  const int w = picture.width, cw = picture.ChromaWidth();
  // Columns in chunks: the colour of a chunk's columns is worked out once
  // per colour row, spread over the brightness columns, then used for the
  // one or two rows that share it.
  constexpr int kChunk = 512;
  std::array<int16_t, kChunk> red, green, blue;
  for (int x0 = 0; x0 < w; x0 += kChunk) {
    const int count = std::min(kChunk, w - x0);
    int chromaRow = -1;
    for (int r = first; r < first + rows; ++r) {
      const int cy = (r + picture.phaseY) >> 1;
      if (cy != chromaRow) {
        chromaRow = cy;
        const uint8_t* cb = picture.cb + static_cast<size_t>(cy) * cw;
        const uint8_t* cr = picture.cr + static_cast<size_t>(cy) * cw;
        for (int i = 0; i < count; ++i) {
          const int c = (x0 + i + picture.phaseX) >> 1;
          const int b = cb[c] - 128, v = cr[c] - 128;
          red[i] = static_cast<int16_t>((kCrToR * v + kHalf) >> 16);
          blue[i] = static_cast<int16_t>((kCbToB * b + kHalf) >> 16);
          green[i] = static_cast<int16_t>((-kCbToG * b - kCrToG * v + kHalf) >> 16);
        }
      }
      const uint8_t* luma = picture.y + static_cast<size_t>(r) * w + x0;
      auto* dst = reinterpret_cast<uint32_t*>(out + static_cast<size_t>(r - first) * pitch) + x0;
      for (int i = 0; i < count; ++i) {
        const int y = luma[i];
        dst[i] = high | Clamp(y + red[i]) << 16 | Clamp(y + green[i]) << 8 | Clamp(y + blue[i]);
      }
    }
  }
}

}  // namespace velmo
