#include <gtest/gtest.h>

#include "components/dxclock.h"

namespace velmo {
namespace {

ClockTime At(int h, int m, int s) { return ClockTime{h, m, s}; }

TEST(DXClockGeometry, QuarterMarksTruncateTowardZero) {
  TDXClock clock(nullptr);
  // The two last marks sit one pixel off the ideal points.
  EXPECT_EQ(clock.MarkPosition(0), (Point{200, 260}));
  EXPECT_EQ(clock.MarkPosition(15), (Point{140, 200}));
  EXPECT_EQ(clock.MarkPosition(30), (Point{199, 140}));
  EXPECT_EQ(clock.MarkPosition(45), (Point{260, 199}));
}

// The dots and marks stay small up to radius 79 and grow beyond; the hands
// reach two thirds, nine tenths and 95 % of the radius.
TEST(DXClockGeometry, SizesAndHandsFollowTheRadius) {
  struct Case {
    int radius, centreDot, minuteDot, fiveMinuteDot, quarterMark;
    std::array<Point, 4> hour, minute;
    std::array<Point, 2> second;
  };
  const Case cases[] = {
      {60, 1, 1, 2, 2, {Point{0, -40}, Point{3, 0}, Point{0, 1}, Point{-3, 0}},
       {Point{0, -54}, Point{2, 0}, Point{0, 2}, Point{-2, 0}}, {Point{0, -57}, Point{0, 10}}},
      {150, 3, 2, 3, 5, {Point{0, -100}, Point{7, 0}, Point{0, 3}, Point{-7, 0}},
       {Point{0, -135}, Point{5, 0}, Point{0, 5}, Point{-5, 0}}, {Point{0, -143}, Point{0, 25}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.radius);
    TDXClock clock(nullptr);
    clock.SetRadius(c.radius);
    const auto& s = clock.GetSizes();
    EXPECT_EQ((std::array<int, 4>{s.centreDot, s.minuteDot, s.fiveMinuteDot, s.quarterMark}),
              (std::array<int, 4>{c.centreDot, c.minuteDot, c.fiveMinuteDot, c.quarterMark}));
    EXPECT_EQ(clock.GetHourHand(), c.hour);
    EXPECT_EQ(clock.GetMinuteHand(), c.minute);
    EXPECT_EQ(clock.GetSecondHand(), c.second);
  }
  TDXClock upTo79(nullptr);
  upTo79.SetRadius(79);
  const auto& s = upTo79.GetSizes();
  EXPECT_EQ((std::array<int, 4>{s.centreDot, s.minuteDot, s.fiveMinuteDot, s.quarterMark}),
            (std::array<int, 4>{1, 1, 2, 2}));
}

TEST(DXClockGeometry, HandAnglesAtSeveralTimes) {
  EXPECT_EQ(TDXClock::HourAngle(At(15, 42, 7)), 18);
  EXPECT_EQ(TDXClock::MinuteAngle(At(15, 42, 7)), 42);
  EXPECT_EQ(TDXClock::SecondAngle(At(15, 42, 7)), 7);
  EXPECT_EQ(TDXClock::HourAngle(At(0, 30, 0)), 2);
  EXPECT_EQ(TDXClock::HourAngle(At(12, 59, 0)), 4);
  EXPECT_EQ(TDXClock::HourAngle(At(23, 59, 0)), 59);
  EXPECT_EQ(TDXClock::SecondAngle(At(23, 59, 60)), 59) << "a leap second stays on the face";
}

TEST(DXClockGeometry, RotationPointsAngleZeroUpAndFifteenRight) {
  TDXClock clock(nullptr);
  clock.SetRadius(60);
  EXPECT_EQ(clock.RotatePoint(Point{0, -40}, 0), (Point{200, 160}));
  EXPECT_EQ(clock.RotatePoint(Point{3, 0}, 0), (Point{203, 200}));
  // Three o'clock: the tip goes right; truncation may leave it a pixel short.
  const Point tip = clock.RotatePoint(Point{0, -40}, 15);
  EXPECT_GE(tip.x, 239);
  EXPECT_LE(tip.x, 240);
  EXPECT_GE(tip.y, 199);
  EXPECT_LE(tip.y, 200);
}

}  // namespace
}  // namespace velmo
