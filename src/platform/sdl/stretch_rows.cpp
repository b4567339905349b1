#include "platform/sdl/stretch_rows.h"

namespace velmo {
namespace {

// Two 8-bit channels at once in each half of the word: no lane overflows
// (255 * 256 + 128 < 65536).
inline uint32_t Mix(uint32_t p, uint32_t q, uint32_t w) {
  const uint32_t v = 256 - w;
  const uint32_t rb = (((p & 0xFF00FFu) * v + (q & 0xFF00FFu) * w + 0x800080u) >> 8) & 0xFF00FFu;
  const uint32_t ag = (((p >> 8) & 0xFF00FFu) * v + ((q >> 8) & 0xFF00FFu) * w + 0x800080u) & 0xFF00FF00u;
  return rb | ag;
}

}  // namespace

LinearTap TapOf(int64_t X, int64_t sw, int64_t boxW) {
  const int64_t n = (2 * X + 1) * sw - boxW, d = 2 * boxW;
  if (n <= 0) return {0, 0};
  const int64_t a = n / d;
  if (a >= sw - 1) return {static_cast<int32_t>(sw - 2), 256};
  return {static_cast<int32_t>(a), static_cast<uint32_t>((n % d) * 256 / d)};
}

void MixRow(const uint32_t* src, int32_t from, const LinearTap* taps, uint32_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    const uint32_t* p = src + (taps[i].first - from);
    out[i] = Mix(p[0], p[1], taps[i].weight);
  }
}

// Bytewise, the same rounding as Mix; written for the vectoriser.
void BlendRows(const uint8_t* top, const uint8_t* bottom, uint8_t* out, size_t bytes, uint32_t w) {
  const uint16_t b = static_cast<uint16_t>(w), t = static_cast<uint16_t>(256 - w);
  for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>((top[i] * t + bottom[i] * b + 128) >> 8);
}

bool Filtered(int64_t sw, int64_t sh, int64_t boxW, int64_t boxH) {
  return sw >= 2 && sh >= 2 && boxW >= 2 * sw && boxH >= 2 * sh;
}

}  // namespace velmo
