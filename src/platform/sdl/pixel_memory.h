#pragma once
// Pixel memory of the SDL display's surfaces, zeroed: a block of a frame's
// size comes straight from the system and goes back to it when freed (the
// allocator would keep it in its heap, where the smaller blocks made after
// it pin it). Main thread, as every surface.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace velmo {

struct FreeMemory {
  size_t mapped;  // bytes mapped; 0 (as value-initialised): from the allocator
  void operator()(uint8_t* p) const;
};
using PixelMemory = std::unique_ptr<uint8_t, FreeMemory>;

// bytes of zeroes; null when the memory cannot be had.
PixelMemory ZeroedPixels(size_t bytes);

// A row kept 3 bytes a pixel, read as the 4-byte pixels it was made from.
struct PackedRow {
  const uint8_t* bytes;
  uint32_t high;  // the fourth byte, the same in every pixel, in place
  uint32_t operator[](int64_t i) const {
    const uint8_t* p = bytes + 3 * i;
    return high | uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
  }
};

}  // namespace velmo
