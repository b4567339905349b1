#pragma once
// How much larger than on the screens the scene was drawn for (up to
// 1280 x 1024) the sizes that do not follow the pictures are shown: the
// gulls, their flight and the frame-rate text (the clock follows the screen
// in proportion instead).
#include <algorithm>
#include <cstdint>

namespace velmo {

// The whole number of times a 1280 x 1024 screen fits into this one along
// both axes, at least one: 1 up to 2559 x 2047 (1920 x 1080 and 2560 x 1440
// included), 2 at 3840 x 2160, 4 at 7680 x 4320. Whole, so that enlarged
// drawings stay crisp and steps stay whole pixels.
constexpr int32_t ScaleOfScreen(int32_t width, int32_t height) {
  return std::max<int32_t>(1, std::min(width / 1280, height / 1024));
}

}  // namespace velmo
