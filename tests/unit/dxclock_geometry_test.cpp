#include <gtest/gtest.h>

#include "components/dxclock.h"

namespace velmo {
namespace {

ClockTime At(int h, int m, int s) { return ClockTime{h, m, s}; }

TEST(DXClockGeometry, NewClockHasDefaultsAndNoSizesYet) {
  TDXClock clock(nullptr);
  EXPECT_EQ(clock.GetXcenter(), 200);
  EXPECT_EQ(clock.GetYcenter(), 200);
  EXPECT_EQ(clock.GetRadius(), 60);
  EXPECT_EQ(clock.GetColor(), 0xFFFFFFu);
  EXPECT_EQ(clock.GetSizes().hourLength, 0);
  EXPECT_EQ(clock.GetHourHand()[0], (Point{0, 0}));
}

TEST(DXClockGeometry, QuarterMarksTruncateTowardZero) {
  TDXClock clock(nullptr);
  // The two last marks sit one pixel off the ideal points.
  EXPECT_EQ(clock.MarkPosition(0), (Point{200, 260}));
  EXPECT_EQ(clock.MarkPosition(15), (Point{140, 200}));
  EXPECT_EQ(clock.MarkPosition(30), (Point{199, 140}));
  EXPECT_EQ(clock.MarkPosition(45), (Point{260, 199}));
}

TEST(DXClockGeometry, TablesComeFromTheSinglePrecisionTurn) {
  TDXClock clock(nullptr);
  EXPECT_EQ(clock.SinTable(0), 0.0f);
  EXPECT_EQ(clock.CosTable(0), 1.0f);
  // The turn constant lies a little below 2 pi, so angle 30 falls just short of pi.
  EXPECT_GT(clock.SinTable(30), 0.0f);
  EXPECT_LT(clock.SinTable(30), 1e-5f);
}

TEST(DXClockGeometry, Radius60) {
  TDXClock clock(nullptr);
  clock.SetRadius(60);
  const auto& s = clock.GetSizes();
  EXPECT_EQ(s.centreDot, 1);
  EXPECT_EQ(s.minuteDot, 1);
  EXPECT_EQ(s.fiveMinuteDot, 2);
  EXPECT_EQ(s.quarterMark, 2);
  EXPECT_EQ(clock.GetHourHand(), (std::array<Point, 4>{Point{0, -40}, Point{3, 0}, Point{0, 1}, Point{-3, 0}}));
  EXPECT_EQ(clock.GetMinuteHand(), (std::array<Point, 4>{Point{0, -54}, Point{2, 0}, Point{0, 2}, Point{-2, 0}}));
  EXPECT_EQ(clock.GetSecondHand(), (std::array<Point, 2>{Point{0, -57}, Point{0, 10}}));
}

TEST(DXClockGeometry, Radius79KeepsTheSmallSizes) {
  TDXClock clock(nullptr);
  clock.SetRadius(79);
  const auto& s = clock.GetSizes();
  EXPECT_EQ(s.centreDot, 1);
  EXPECT_EQ(s.minuteDot, 1);
  EXPECT_EQ(s.fiveMinuteDot, 2);
  EXPECT_EQ(s.quarterMark, 2);
}

TEST(DXClockGeometry, Radius150) {
  TDXClock clock(nullptr);
  clock.SetRadius(150);
  const auto& s = clock.GetSizes();
  EXPECT_EQ(s.centreDot, 3);
  EXPECT_EQ(s.minuteDot, 2);
  EXPECT_EQ(s.fiveMinuteDot, 3);
  EXPECT_EQ(s.quarterMark, 5);
  EXPECT_EQ(clock.GetHourHand(), (std::array<Point, 4>{Point{0, -100}, Point{7, 0}, Point{0, 3}, Point{-7, 0}}));
  EXPECT_EQ(clock.GetMinuteHand(), (std::array<Point, 4>{Point{0, -135}, Point{5, 0}, Point{0, 5}, Point{-5, 0}}));
  EXPECT_EQ(clock.GetSecondHand(), (std::array<Point, 2>{Point{0, -143}, Point{0, 25}}));
}

TEST(DXClockGeometry, HandAnglesAtSeveralTimes) {
  EXPECT_EQ(TDXClock::HourAngle(At(15, 42, 7)), 18);
  EXPECT_EQ(TDXClock::MinuteAngle(At(15, 42, 7)), 42);
  EXPECT_EQ(TDXClock::SecondAngle(At(15, 42, 7)), 7);
  EXPECT_EQ(TDXClock::HourAngle(At(0, 30, 0)), 2);
  EXPECT_EQ(TDXClock::HourAngle(At(12, 59, 0)), 4);
  EXPECT_EQ(TDXClock::HourAngle(At(23, 59, 0)), 59);
}

TEST(DXClockGeometry, ALeapSecondStaysOnTheFace) {
  EXPECT_EQ(TDXClock::SecondAngle(At(23, 59, 60)), 59);
}

TEST(DXClockGeometry, RotationPointsAngleZeroUpAndFifteenRight) {
  TDXClock clock(nullptr);
  clock.SetRadius(60);
  EXPECT_EQ(clock.RotatePoint(Point{0, -40}, 0), (Point{200, 160}));
  EXPECT_EQ(clock.RotatePoint(Point{3, 0}, 0), (Point{203, 200}));
  EXPECT_EQ(clock.RotatePoint(Point{0, 1}, 0), (Point{200, 201}));
  EXPECT_EQ(clock.RotatePoint(Point{-3, 0}, 0), (Point{197, 200}));
  EXPECT_EQ(clock.RotatePoint(Point{0, -57}, 0), (Point{200, 143}));
  EXPECT_EQ(clock.RotatePoint(Point{0, 10}, 0), (Point{200, 210}));
  // Three o'clock: the tip goes right; truncation may leave it a pixel short.
  const Point tip = clock.RotatePoint(Point{0, -40}, 15);
  EXPECT_GE(tip.x, 239);
  EXPECT_LE(tip.x, 240);
  EXPECT_GE(tip.y, 199);
  EXPECT_LE(tip.y, 200);
}

}  // namespace
}  // namespace velmo
