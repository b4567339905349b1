#pragma once
// The surface pixel formats of the display layer and conversions between a
// colour value and a surface's native pixel value. 16 bits is RGB565; 24 and
// 32 bits are 32-bit words 0x00RRGGBB (24 significant bits at 24).
#include <cstdint>

#include "platform/colour.h"
#include "platform/display.h"

namespace velmo {

constexpr bool IsSupportedDepth(uint32_t bits) { return bits == 16 || bits == 24 || bits == 32; }

constexpr int BytesPerPixel(uint32_t bits) { return bits == 16 ? 2 : 4; }

constexpr uint32_t NativeFromRgb(uint8_t r, uint8_t g, uint8_t b, uint32_t bits) {
  if (bits == 16) return (static_cast<uint32_t>(r >> 3) << 11) | (static_cast<uint32_t>(g >> 2) << 5) | (b >> 3);
  return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
}

constexpr uint32_t NativeFromColour(TColor c, uint32_t bits) {
  return NativeFromRgb(RedOf(c), GreenOf(c), BlueOf(c), bits);
}

// Expands the 5- and 6-bit channels of RGB565 by repeating their top bits,
// so white stays 0xFFFFFF and black stays 0.
constexpr TColor ColourFromNative(uint32_t pixel, uint32_t bits) {
  if (bits == 16) {
    const uint32_t r5 = (pixel >> 11) & 0x1F, g6 = (pixel >> 5) & 0x3F, b5 = pixel & 0x1F;
    return RGBColor(static_cast<uint8_t>((r5 << 3) | (r5 >> 2)), static_cast<uint8_t>((g6 << 2) | (g6 >> 4)),
                    static_cast<uint8_t>((b5 << 3) | (b5 >> 2)));
  }
  return RGBColor((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

// Channel masks as a surface description reports them.
constexpr uint32_t RedMask(uint32_t bits) { return bits == 16 ? 0xF800u : 0xFF0000u; }
constexpr uint32_t GreenMask(uint32_t bits) { return bits == 16 ? 0x07E0u : 0x00FF00u; }
constexpr uint32_t BlueMask(uint32_t bits) { return bits == 16 ? 0x001Fu : 0x0000FFu; }

// The pixel format a surface of that depth reports.
constexpr DDPIXELFORMAT PixelFormatOf(uint32_t bits) {
  DDPIXELFORMAT format;
  format.dwRGBBitCount = bits;
  format.dwRBitMask = RedMask(bits);
  format.dwGBitMask = GreenMask(bits);
  format.dwBBitMask = BlueMask(bits);
  return format;
}

inline uint32_t ReadNative(const uint8_t* row, int x, uint32_t bits) {
  if (bits == 16) return reinterpret_cast<const uint16_t*>(row)[x];
  return reinterpret_cast<const uint32_t*>(row)[x];
}

inline void WriteNative(uint8_t* row, int x, uint32_t value, uint32_t bits) {
  if (bits == 16) reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value);
  else reinterpret_cast<uint32_t*>(row)[x] = value;
}

}  // namespace velmo
