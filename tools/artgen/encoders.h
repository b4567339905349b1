#pragma once
// File encoders of the art tool: JPEG, 8-bit Windows bitmaps and PNG.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image.h"

namespace artgen {

using Bytes = std::vector<uint8_t>;

struct PaletteColour {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const PaletteColour&) const = default;
};

// An 8-bit picture: one palette index per pixel, rows top to bottom.
struct Indexed {
  int width = 0, height = 0;
  std::vector<uint8_t> index;
  std::array<PaletteColour, 256> palette{};
  Indexed(int w, int h) : width(w), height(h), index(static_cast<size_t>(w) * h) {}
  uint8_t& at(int x, int y) { return index[static_cast<size_t>(y) * width + x]; }
};

// halfColour: colour at half the columns and rows (4:2:0), which the program
// keeps as the file's planes, in half the memory of full colour.
Bytes EncodeJpeg(const Image& image, int quality, bool halfColour = false);
// A BMP file (file header, 40-byte info header, 256 palette entries), either
// uncompressed or RLE8.
Bytes EncodeBmp8(const Indexed& picture, bool rle8);
// Straight RGBA (8 bits each) to a PNG file, through cairo.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& argb);
bool WritePng(const std::string& path, const Image& image);

// Median-cut quantisation of the pixels for which `use` is set (all when
// empty) into at most `colours` entries starting at palette index `first`.
void Quantise(const Image& image, const std::vector<bool>& use, int first, int colours, Indexed& out);

bool WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace artgen
