#pragma once
// Start and end of each generated file, placed in the program by embed.cpp.
#include <cstdint>

#define VELMO_EMBEDDED(id)                 \
  extern "C" const uint8_t velmo_##id##_start[]; \
  extern "C" const uint8_t velmo_##id##_end[];

VELMO_EMBEDDED(image1ground)
VELMO_EMBEDDED(image1sea)
VELMO_EMBEDDED(ddbmp1stone)
VELMO_EMBEDDED(ddani1bird)
VELMO_EMBEDDED(ddani1birds_small)
VELMO_EMBEDDED(ddani1bird_x2)
VELMO_EMBEDDED(ddani1birds_small_x2)
VELMO_EMBEDDED(ddani1bird_x3)
VELMO_EMBEDDED(ddani1birds_small_x3)
VELMO_EMBEDDED(ddani1bird_x4)
VELMO_EMBEDDED(ddani1birds_small_x4)
VELMO_EMBEDDED(prev_bitmap)
VELMO_EMBEDDED(soundname)

#undef VELMO_EMBEDDED
