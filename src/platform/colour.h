#pragma once
#include <cstdint>

namespace velmo {

// Colour value laid out as 0x00BBGGRR (red in the lowest byte).
using TColor = uint32_t;
constexpr TColor CLR_INVALID = 0xFFFFFFFFu;

constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr uint8_t RedOf(TColor c) { return c & 0xFF; }
constexpr uint8_t GreenOf(TColor c) { return (c >> 8) & 0xFF; }
constexpr uint8_t BlueOf(TColor c) { return (c >> 16) & 0xFF; }

}  // namespace velmo
