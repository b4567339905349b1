#pragma once
// Pictures kept by their content: the scenes of several monitors decode the
// same pictures at the same size and keep them once. Main thread only, as
// every surface; an entry goes when its last user does.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/sdl/pixel_memory.h"

namespace velmo {

// The packed picture (bytes long, of width x height; form tells the kinds of
// picture apart), or the same one a surface already keeps; *serial names the
// picture kept. Hashes it, and compares it whole with a match: once per
// picture kept, never per frame.
std::shared_ptr<const uint8_t> SharePicture(PixelMemory packed, size_t bytes, int width, int height, uint32_t form,
                                            uint64_t* serial);

// Rows that pictures of one size are converted into (4 bytes a pixel, no
// padding), one set per size, shared while any surface of that size uses them.
struct ConvertedRows {
  int width, height;
  PixelMemory rows;
  uint64_t holds = 0;  // the serial of the picture in them, 0 for none
};
// Null when the memory cannot be had; allocates only for a new size.
std::shared_ptr<ConvertedRows> ConvertedRowsFor(int width, int height);

}  // namespace velmo
