#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "components/ddsprite.h"

namespace velmo {
namespace {

SrcRect Whole(int w, int h) { return SrcRect{0, w, 0, h}; }

// Exactly the part on the screen is drawn, the last column and row
// included; an overhang is cut from the source; and the far ends of int
// never wrap round into the screen.
TEST(ClipToScreen, DrawsExactlyThePartOnTheScreen) {
  struct Case {
    const char* what;
    int x, y;
    SrcRect src;
    int W, H;
    std::optional<ClippedBlit> expected;
  };
  const SrcRect sprite = Whole(100, 50), tall = Whole(10, 40), frame{0, 30, 15, 20};  // rows 15..19 of a strip
  const Case cases[] = {
      {"inside", 10, 10, sprite, 1024, 768, ClippedBlit{10, 10, Rect{0, 0, 100, 50}}},
      {"at zero", 0, 10, sprite, 1024, 768, ClippedBlit{0, 10, Rect{0, 0, 100, 50}}},
      {"reaching the right edge", 924, 10, sprite, 1024, 768, ClippedBlit{924, 10, Rect{0, 0, 100, 50}}},
      {"two columns from the right", 1022, 10, sprite, 1024, 768, ClippedBlit{1022, 10, Rect{0, 0, 2, 50}}},
      {"in the last column", 1023, 10, sprite, 1024, 768, ClippedBlit{1023, 10, Rect{0, 0, 1, 50}}},
      {"beyond the right", 1024, 10, sprite, 1024, 768, std::nullopt},
      {"INT_MAX", INT_MAX, 10, sprite, 1024, 768, std::nullopt},
      {"two columns showing on the left", -98, 10, sprite, 1024, 768, ClippedBlit{0, 10, Rect{98, 0, 100, 50}}},
      {"left overhang", -30, 10, sprite, 1024, 768, ClippedBlit{0, 10, Rect{30, 0, 100, 50}}},
      {"one column showing on the left", -99, 10, sprite, 1024, 768, ClippedBlit{0, 10, Rect{99, 0, 100, 50}}},
      {"wholly left", -100, 10, sprite, 1024, 768, std::nullopt},
      {"INT_MIN", INT_MIN, 10, sprite, 1024, 768, std::nullopt},
      {"as wide as the screen", 0, 5, Whole(800, 100), 800, 600, ClippedBlit{0, 5, Rect{0, 0, 800, 100}}},
      {"over both sides", -20, 0, Whole(850, 10), 800, 600, ClippedBlit{0, 0, Rect{20, 0, 820, 10}}},
      {"over top and bottom", 0, -7, Whole(10, 700), 800, 600, ClippedBlit{0, 0, Rect{0, 7, 10, 607}}},
      {"reaching the bottom", 5, 560, tall, 800, 600, ClippedBlit{5, 560, Rect{0, 0, 10, 40}}},
      {"two rows from the bottom", 5, 598, tall, 800, 600, ClippedBlit{5, 598, Rect{0, 0, 10, 2}}},
      {"in the last row", 5, 599, tall, 800, 600, ClippedBlit{5, 599, Rect{0, 0, 10, 1}}},
      {"below the bottom", 5, 600, tall, 800, 600, std::nullopt},
      {"one row showing at the top", 5, -39, tall, 800, 600, ClippedBlit{5, 0, Rect{0, 39, 10, 40}}},
      {"wholly above", 5, -40, tall, 800, 600, std::nullopt},
      {"two rows showing at the top", 5, -38, tall, 800, 600, ClippedBlit{5, 0, Rect{0, 38, 10, 40}}},
      {"above the top", 3, -10, tall, 800, 600, ClippedBlit{3, 0, Rect{0, 10, 10, 40}}},
      {"a frame inside", 1, 1, frame, 800, 600, ClippedBlit{1, 1, Rect{0, 15, 30, 20}}},
      {"a frame at the bottom", 1, 597, frame, 800, 600, ClippedBlit{1, 597, Rect{0, 15, 30, 18}}},
      {"a frame over the top", 1, -2, frame, 800, 600, ClippedBlit{1, 0, Rect{0, 17, 30, 20}}},
      {"rocks at the bottom of 1024 x 768", 0, 541, Whole(1024, 302), 1024, 768,
       ClippedBlit{0, 541, Rect{0, 0, 1024, 227}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ClipToScreen(c.x, c.y, c.src, c.W, c.H), c.expected) << c.what;
}

}  // namespace
}  // namespace velmo
