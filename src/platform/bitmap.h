#pragma once
// An in-memory picture: 8-bit palettised, 32-bit true colour (0x00RRGGBB
// words), or a JPEG's brightness and half-resolution colour planes (see
// platform/ycc_planes.h), kept so where the file has them: half the bytes of
// the colours they stand for. Plain data; decoders fill it, device contexts
// draw it.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/colour.h"
#include "platform/ycc_planes.h"

namespace velmo {

class Bitmap {
 public:
  enum class Format { Empty, Indexed8, Rgb32, Ycc420 };

  Bitmap() = default;
  static Bitmap Indexed(int width, int height, const std::array<TColor, 256>& palette);
  static Bitmap TrueColour(int width, int height);
  // Zeroed planes; phases as in YccPlanes.
  static Bitmap Planes(int width, int height, int phaseX = 0, int phaseY = 0);

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

  // Ycc420: the planes, and each one to fill (0 = Y, 1 = Cb, 2 = Cr).
  YccPlanes Planes() const;
  uint8_t* Plane(int component);

  // The colour of one pixel as a TColor (0x00BBGGRR), whatever the format.
  TColor PixelColour(int x, int y) const;

  // A same-format copy of the rows [top, top + rows).
  Bitmap CopyRows(int top, int rows) const;
  // A same-format copy of the columns [left, left + columns).
  Bitmap CopyColumns(int left, int columns) const;
  // The picture as true colour (a copy unless it is in planes; the
  // palettised one stays as it is).
  Bitmap TrueColourCopy() const;

 private:
  Format format_ = Format::Empty;
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> indices_;
  std::array<TColor, 256> palette_{};
  std::vector<uint32_t> pixels_;
  std::vector<uint8_t> planes_;  // Y, then Cb, then Cr
  int phaseX_ = 0, phaseY_ = 0;
};

}  // namespace velmo
