#include <gtest/gtest.h>

#include <climits>

#include "components/ddsprite.h"

namespace velmo {
namespace {

SrcRect Whole(int w, int h) { return SrcRect{0, w, 0, h}; }

// Columns: the screen is W wide, the sprite w wide, rows comfortably inside.
class ClipColumns : public ::testing::Test {
 protected:
  static constexpr int W = 1024, H = 768, w = 100, h = 50, y = 10;
  std::optional<ClippedBlit> At(int x) { return ClipToScreen(x, y, Whole(w, h), W, H); }
};

TEST_F(ClipColumns, InsideIsCopiedWhole) {
  EXPECT_EQ(At(10), (ClippedBlit{10, y, Rect{0, 0, w, h}}));
}

TEST_F(ClipColumns, AtZeroEndingBeforeTheEdgeIsCopiedWhole) {
  EXPECT_EQ(At(0), (ClippedBlit{0, y, Rect{0, 0, w, h}}));
}

TEST_F(ClipColumns, ReachingTheRightEdgeKeepsOneColumnLess) {
  // x + w == W: the last screen column stays undrawn.
  EXPECT_EQ(At(W - w), (ClippedBlit{W - w, y, Rect{0, 0, w - 1, h}}));
  EXPECT_EQ(At(W - 2), (ClippedBlit{W - 2, y, Rect{0, 0, 1, h}}));
}

TEST_F(ClipColumns, StartingInTheLastColumnOrBeyondDrawsNothing) {
  EXPECT_FALSE(At(W - 1));
  EXPECT_FALSE(At(W));
  EXPECT_FALSE(At(INT_MAX));
}

TEST_F(ClipColumns, LeftOverhangIsCutAndDrawnFromColumnZero) {
  EXPECT_EQ(At(-(w - 2)), (ClippedBlit{0, y, Rect{w - 2, 0, w, h}}));
  EXPECT_EQ(At(-30), (ClippedBlit{0, y, Rect{30, 0, w, h}}));
}

TEST_F(ClipColumns, AtMostOneColumnShowingOnTheLeftDrawsNothing) {
  EXPECT_FALSE(At(-(w - 1)));
  EXPECT_FALSE(At(-w));
  EXPECT_FALSE(At(INT_MIN));
}

TEST(ClipToScreen, SpriteAsWideAsTheScreenDrawsAllButTheLastColumn) {
  EXPECT_EQ(ClipToScreen(0, 5, Whole(800, 100), 800, 600), (ClippedBlit{0, 5, Rect{0, 0, 799, 100}}));
}

TEST(ClipToScreen, OverhangingBothEdgesIsCutOnBothSides) {
  // 20 columns hang over on the left and 30 on the right: W - 1 columns
  // from source column 20, placed at column 0.
  EXPECT_EQ(ClipToScreen(-20, 0, Whole(850, 10), 800, 600), (ClippedBlit{0, 0, Rect{20, 0, 799 + 20, 10}}));
  EXPECT_EQ(ClipToScreen(0, -7, Whole(10, 700), 800, 600), (ClippedBlit{0, 0, Rect{0, 7, 10, 599 + 7}}));
}

TEST(ClipToScreen, RowsFollowTheSameRules) {
  const SrcRect s = Whole(10, 40);
  EXPECT_EQ(ClipToScreen(5, 600 - 40, s, 800, 600), (ClippedBlit{5, 560, Rect{0, 0, 10, 39}}));
  EXPECT_EQ(ClipToScreen(5, 598, s, 800, 600), (ClippedBlit{5, 598, Rect{0, 0, 10, 1}}));
  EXPECT_FALSE(ClipToScreen(5, 599, s, 800, 600));
  EXPECT_FALSE(ClipToScreen(5, -39, s, 800, 600));
  EXPECT_EQ(ClipToScreen(5, -38, s, 800, 600), (ClippedBlit{5, 0, Rect{0, 38, 10, 40}}));
}

TEST(ClipToScreen, AboveTheTopIsCutFromTheSourceRowsDown) {
  // y = -10 and ending above the last screen row.
  EXPECT_EQ(ClipToScreen(3, -10, Whole(10, 40), 800, 600), (ClippedBlit{3, 0, Rect{0, 10, 10, 40}}));
}

TEST(ClipToScreen, RowsOfAFrameKeepTheirOffsetInTheStrip) {
  const SrcRect frame{0, 30, 15, 20};  // rows 15..19 of a strip
  EXPECT_EQ(ClipToScreen(1, 1, frame, 800, 600), (ClippedBlit{1, 1, Rect{0, 15, 30, 20}}));
  EXPECT_EQ(ClipToScreen(1, 597, frame, 800, 600), (ClippedBlit{1, 597, Rect{0, 15, 30, 17}}));
  EXPECT_EQ(ClipToScreen(1, -2, frame, 800, 600), (ClippedBlit{1, 0, Rect{0, 17, 30, 20}}));
}

TEST(ClipToScreen, ScaledRocksAtTheBottomOfA1024x768Screen) {
  // 1023 columns and 226 rows (768 - 1 - 541).
  EXPECT_EQ(ClipToScreen(0, 541, Whole(1024, 302), 1024, 768), (ClippedBlit{0, 541, Rect{0, 0, 1023, 226}}));
}

TEST(FirstPixelValue, KeepsOnlyTheBitsOfOnePixel) {
  const uint8_t bytes[4] = {0x34, 0x12, 0xAB, 0xCD};
  EXPECT_EQ(FirstPixelValue(bytes, 16), 0x1234u);
  EXPECT_EQ(FirstPixelValue(bytes, 24), 0xAB1234u);
  EXPECT_EQ(FirstPixelValue(bytes, 32), 0xCDAB1234u);
  EXPECT_EQ(FirstPixelValue(bytes, 8), 0x34u);
}

}  // namespace
}  // namespace velmo
