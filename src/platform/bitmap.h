#pragma once
// An in-memory picture: 8-bit palettised or 32-bit true colour (0x00RRGGBB words).
// Plain data; decoders fill it, device contexts draw it.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/colour.h"

namespace velmo {

class Bitmap {
 public:
  enum class Format { Empty, Indexed8, Rgb32 };

  Bitmap() = default;
  static Bitmap Indexed(int width, int height, const std::array<TColor, 256>& palette);
  static Bitmap TrueColour(int width, int height);

  Format GetFormat() const { return format_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return format_ == Format::Empty || width_ <= 0 || height_ <= 0; }

  // Indexed8: one byte per pixel, rows top to bottom, no padding.
  uint8_t* Indices() { return indices_.data(); }
  const uint8_t* Indices() const { return indices_.data(); }
  std::array<TColor, 256>& Palette() { return palette_; }
  const std::array<TColor, 256>& Palette() const { return palette_; }

  // Rgb32: one 0x00RRGGBB word per pixel, rows top to bottom, no padding.
  uint32_t* Pixels() { return pixels_.data(); }
  const uint32_t* Pixels() const { return pixels_.data(); }

  // The colour of one pixel as a TColor (0x00BBGGRR), whatever the format.
  TColor PixelColour(int x, int y) const;

  // A same-format copy of the rows [top, top + rows).
  Bitmap CopyRows(int top, int rows) const;

 private:
  Format format_ = Format::Empty;
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> indices_;
  std::array<TColor, 256> palette_{};
  std::vector<uint32_t> pixels_;
};

}  // namespace velmo
