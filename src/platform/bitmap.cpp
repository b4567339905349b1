#include "platform/bitmap.h"

#include <algorithm>

namespace velmo {

Bitmap Bitmap::Indexed(int width, int height, const std::array<TColor, 256>& palette) {
  Bitmap b;
  b.format_ = Format::Indexed8;
  b.width_ = std::max(width, 0);
  b.height_ = std::max(height, 0);
  b.indices_.assign(static_cast<size_t>(b.width_) * b.height_, 0);
  b.palette_ = palette;
  return b;
}

Bitmap Bitmap::TrueColour(int width, int height) {
  Bitmap b;
  b.format_ = Format::Rgb32;
  b.width_ = std::max(width, 0);
  b.height_ = std::max(height, 0);
  b.pixels_.assign(static_cast<size_t>(b.width_) * b.height_, 0);
  return b;
}

TColor Bitmap::PixelColour(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  const size_t i = static_cast<size_t>(y) * width_ + x;
  if (format_ == Format::Indexed8) return palette_[indices_[i]];
  if (format_ == Format::Rgb32) {
    const uint32_t p = pixels_[i];
    return RGBColor((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  return CLR_INVALID;
}

Bitmap Bitmap::CopyRows(int top, int rows) const {
  top = std::clamp(top, 0, height_);
  rows = std::clamp(rows, 0, height_ - top);
  Bitmap b;
  b.format_ = format_;
  b.width_ = width_;
  b.height_ = rows;
  b.palette_ = palette_;
  const size_t from = static_cast<size_t>(top) * width_;
  const size_t count = static_cast<size_t>(rows) * width_;
  if (format_ == Format::Indexed8) b.indices_.assign(indices_.begin() + from, indices_.begin() + from + count);
  if (format_ == Format::Rgb32) b.pixels_.assign(pixels_.begin() + from, pixels_.begin() + from + count);
  return b;
}

}  // namespace velmo
