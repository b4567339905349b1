#pragma once
// Decoding the program's pictures into bitmaps: JPEG (24-bit colour) and
// Windows bitmaps of 8 bits per pixel (uncompressed or RLE8) or 24 bits.
// Corrupt or truncated input is refused with a message in *error; nothing is
// read outside the given bytes.
#include <cstdint>
#include <span>
#include <string>

#include "platform/bitmap.h"

namespace velmo {

// A JPEG file to a Bitmap::TrueColour picture, or to its planes
// (Bitmap::Planes) where it holds colour at half resolution: what libjpeg
// decodes without fancy upsampling, in half the memory.
bool DecodeJpeg(std::span<const uint8_t> data, Bitmap& out, std::string* error);

// A BMP file (with or without its 14-byte "BM" file header): 8 bits per
// pixel, uncompressed or RLE8, to a Bitmap::Indexed picture with its palette;
// 24 bits per pixel, uncompressed, to Bitmap::TrueColour.
bool DecodeBmp(std::span<const uint8_t> data, Bitmap& out, std::string* error);

// The compression field of a BMP's info header (0 = none, 1 = RLE8), or -1
// when the data is no BMP.
int BmpCompression(std::span<const uint8_t> data);

}  // namespace velmo
