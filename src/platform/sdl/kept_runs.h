#pragma once
// A large keyed picture kept as its runs of pixels other than the key, the
// runs' pixels one after another, 3 bytes a pixel where 4-byte pixels share
// their fourth byte: SDL's run-length copy beside the whole pixels held the
// picture twice. The SDL display's surfaces keep one in place of their
// pixels; main thread, as every surface.
#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sdl/pixel_memory.h"

namespace velmo {

class KeptRuns {
 public:
  // The runs of a width x height picture of bytes a pixel, rows pitch bytes
  // apart; null when the memory cannot be had. One pass over the pixels
  // and one over the runs; allocates.
  static std::unique_ptr<KeptRuns> Of(const uint8_t* pixels, int pitch, int width, int height, int bytes,
                                      uint32_t key);
  // The whole pixels again, the key where no run is, into pixels (as Of's).
  void Unpack(uint8_t* pixels, int pitch, uint32_t key) const;
  // Columns [first, last) of row y from the first to the last the runs leave
  // to the key; false when they leave none.
  bool KeyedSpan(int32_t y, int32_t& first, int32_t& last) const;
  // A keyed copy of source columns [left, right) of rows from sourceTop on
  // into drawn of pixels (rows pitch bytes apart, the runs' own depth);
  // allocates nothing.
  void Blit(uint8_t* pixels, int pitch, const SDL_Rect& drawn, int32_t left, int32_t right, int32_t sourceTop) const;

 private:
  struct Run {
    int32_t x, length;
    size_t offset;  // bytes into opaque_
  };
  int width_ = 0, bytes_ = 0;
  // Row y's runs are runs_[rowRuns_[y] .. rowRuns_[y + 1]), left to right.
  std::vector<Run> runs_;
  std::vector<uint32_t> rowRuns_;
  PixelMemory opaque_;
  int runBytes_ = 0;  // bytes a kept pixel
  uint32_t high_ = 0;  // the shared fourth byte, in place, where 3 bytes are kept
};

}  // namespace velmo
