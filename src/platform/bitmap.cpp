#include "platform/bitmap.h"

#include <algorithm>
#include <cstring>

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

Bitmap Bitmap::Planes(int width, int height, int phaseX, int phaseY) {
  Bitmap b;
  b.format_ = Format::Ycc420;
  b.width_ = std::max(width, 0);
  b.height_ = std::max(height, 0);
  b.phaseX_ = phaseX & 1;
  b.phaseY_ = phaseY & 1;
  const YccPlanes p = b.Planes();
  b.planes_.assign(static_cast<size_t>(b.width_) * b.height_ + 2 * static_cast<size_t>(p.ChromaWidth()) * p.ChromaHeight(), 0);
  return b;
}

YccPlanes Bitmap::Planes() const {
  YccPlanes p;
  p.width = width_;
  p.height = height_;
  p.phaseX = phaseX_;
  p.phaseY = phaseY_;
  if (format_ != Format::Ycc420) return p;
  const size_t luma = static_cast<size_t>(width_) * height_;
  p.y = planes_.data();
  p.cb = p.y + luma;
  p.cr = p.cb + static_cast<size_t>(p.ChromaWidth()) * p.ChromaHeight();
  return p;
}

uint8_t* Bitmap::Plane(int component) {
  const YccPlanes p = Planes();
  const uint8_t* plane = component == 0 ? p.y : component == 1 ? p.cb : p.cr;
  return plane ? planes_.data() + (plane - planes_.data()) : nullptr;
}

TColor Bitmap::PixelColour(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  const size_t i = static_cast<size_t>(y) * width_ + x;
  if (format_ == Format::Indexed8) return palette_[indices_[i]];
  if (format_ == Format::Rgb32) {
    const uint32_t p = pixels_[i];
    return RGBColor((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  if (format_ == Format::Ycc420) {
    // The one pixel, as a picture of its own.
    const YccPlanes all = Planes();
    const int cx = (x + phaseX_) >> 1, cy = (y + phaseY_) >> 1;
    const size_t c = static_cast<size_t>(cy) * all.ChromaWidth() + cx;
    const YccPlanes one{all.y + i, all.cb + c, all.cr + c, 1, 1, 0, 0};
    uint32_t p;
    YccToRgb(one, 0, 1, reinterpret_cast<uint8_t*>(&p), sizeof p, 0);
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
  if (format_ == Format::Ycc420) {
    b = Planes(width_, rows, phaseX_, phaseY_ + top);
    const YccPlanes in = Planes(), out = b.Planes();
    const size_t chroma = static_cast<size_t>(in.ChromaWidth()) * out.ChromaHeight();
    const size_t skip = static_cast<size_t>(in.ChromaWidth()) * ((phaseY_ + top) >> 1);
    std::memcpy(b.Plane(0), in.y + from, count);
    std::memcpy(b.Plane(1), in.cb + skip, chroma);
    std::memcpy(b.Plane(2), in.cr + skip, chroma);
  }
  return b;
}

Bitmap Bitmap::CopyColumns(int left, int columns) const {
  left = std::clamp(left, 0, width_);
  columns = std::clamp(columns, 0, width_ - left);
  Bitmap b;
  if (format_ == Format::Indexed8) b = Indexed(columns, height_, palette_);
  if (format_ == Format::Rgb32) b = TrueColour(columns, height_);
  if (format_ == Format::Ycc420) b = Planes(columns, height_, phaseX_ + left, phaseY_);
  auto copy = [](const uint8_t* in, size_t inRow, uint8_t* out, size_t outRow, int rows) {
    for (int y = 0; y < rows; ++y) std::memcpy(out + y * outRow, in + y * inRow, outRow);
  };
  if (format_ == Format::Indexed8) copy(indices_.data() + left, width_, b.indices_.data(), columns, height_);
  if (format_ == Format::Rgb32)
    copy(reinterpret_cast<const uint8_t*>(pixels_.data() + left), size_t{4} * width_,
         reinterpret_cast<uint8_t*>(b.pixels_.data()), size_t{4} * columns, height_);
  if (format_ == Format::Ycc420) {
    const YccPlanes in = Planes(), out = b.Planes();
    const int skip = (phaseX_ + left) >> 1;
    copy(in.y + left, width_, b.Plane(0), columns, height_);
    copy(in.cb + skip, in.ChromaWidth(), b.Plane(1), out.ChromaWidth(), out.ChromaHeight());
    copy(in.cr + skip, in.ChromaWidth(), b.Plane(2), out.ChromaWidth(), out.ChromaHeight());
  }
  return b;
}

Bitmap Bitmap::TrueColourCopy() const {
  if (format_ != Format::Ycc420) return *this;
  Bitmap b = TrueColour(width_, height_);
  YccToRgb(Planes(), 0, height_, reinterpret_cast<uint8_t*>(b.pixels_.data()), size_t{4} * width_, 0);
  return b;
}

}  // namespace velmo
