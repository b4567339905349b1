#pragma once
// A picture in the form a JPEG with half-resolution colour stores it: a
// brightness plane (Y) at full size and two colour planes (Cb, Cr) of half
// the columns and half the rows, 1.5 bytes a pixel where RGB takes 3 or 4.
// Each colour sample covers a 2 x 2 block of brightness samples and is
// repeated over it (no neighbouring samples mixed in), and the colour
// arithmetic is libjpeg's own, so the pixels are exactly those libjpeg
// decodes from the same file without fancy upsampling.
#include <cstddef>
#include <cstdint>

namespace velmo {

struct YccPlanes {
  const uint8_t* y = nullptr;   // width x height, rows one after another
  const uint8_t* cb = nullptr;  // ChromaWidth() x ChromaHeight()
  const uint8_t* cr = nullptr;
  int width = 0, height = 0;
  // 1 where the picture starts on the second column (row) of a colour
  // sample's block: a part cut at an odd column (row) of a larger picture.
  int phaseX = 0, phaseY = 0;

  int ChromaWidth() const { return ChromaCount(width, phaseX); }
  int ChromaHeight() const { return ChromaCount(height, phaseY); }
  // Colour samples covering count brightness samples from the given phase.
  static int ChromaCount(int count, int phase) { return count > 0 ? ((count - 1 + phase) >> 1) + 1 : 0; }
};

// Rows [first, first + rows) of the picture as 0xHHRRGGBB words, HH = high
// (the fourth byte of every pixel), row r at out + (r - first) * pitch
// bytes. Pure arithmetic, written for the vectoriser; allocates nothing
// (colour columns are worked in chunks on the stack). Any thread.
void YccToRgb(const YccPlanes& picture, int first, int rows, uint8_t* out, size_t pitch, uint32_t high);

}  // namespace velmo
