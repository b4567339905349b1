#include "scene/bird_flight.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

void Set(TBirdState& b, int x, int y, int course, int climb, int flapOnDescent = 1) {
  b.X = x;
  b.Y = y;
  b.Course = course;
  b.CourseLimit = 1000;
  b.CourseTicks = 0;
  b.Climb = climb;
  b.ClimbLimit = 1000;
  b.ClimbTicks = 0;
  b.FlapOnDescent = flapOnDescent;
  b.FlapLimit = 1000;
  b.FlapTicks = 0;
  b.Small = 0;
  b.Frame = 0;
}

TEST(BirdFlight, StartValuesFollowTheIndexAndTheDisplayHeight) {
  TBirdTable birds;
  InitBirds(birds, 768);
  EXPECT_EQ(birds[0].X, 128);  // 768 * 100 / 600
  EXPECT_EQ(birds[0].Y, 384);
  EXPECT_EQ(birds[9].X, 128 + 450);
  EXPECT_EQ(birds[9].Y, 384 + 90);
  // The first three: large on course 1, small on 2, large on 3.
  EXPECT_EQ(birds[0].Course, 1);
  EXPECT_EQ(birds[0].Small, 0);
  EXPECT_EQ(birds[1].Course, 2);
  EXPECT_EQ(birds[1].Small, 1);
  EXPECT_EQ(birds[2].Course, 3);
  EXPECT_EQ(birds[2].Small, 0);
  EXPECT_EQ(birds[4].Course, 1);
}

TEST(BirdFlight, AGullLeavingOnTheLeftTurnsBackSmallerOnTheFastestRightCourse) {
  TBirdState b;
  Set(b, -98, 300, 1, 2);
  TRandom15 random;
  random.Seed(7);
  MoveBird(b, 600, 800, random);
  EXPECT_EQ(b.X, -101);  // not moved back inside
  EXPECT_EQ(b.Course, 5);
  EXPECT_EQ(b.Small, 1);
  EXPECT_EQ(b.CourseTicks, 0);
  EXPECT_GE(b.CourseLimit, 100);
  EXPECT_LE(b.CourseLimit, 179);
  // The new course holds: no change before CourseLimit ticks have passed.
  const int limit = b.CourseLimit;
  for (int i = 0; i < limit; ++i) MoveBird(b, 600, 800, random);
  EXPECT_EQ(b.Course, 5);
  EXPECT_EQ(b.X, -101 + 3 * limit);
}

TEST(BirdFlight, AGullLeavingOnTheRightTurnsBackOnTheFastestLeftCourse) {
  TBirdState b;
  Set(b, 899, 300, 5, 2);
  b.Small = 1;
  TRandom15 random;
  MoveBird(b, 600, 800, random);
  EXPECT_EQ(b.X, 902);
  EXPECT_EQ(b.Course, 1);
  EXPECT_EQ(b.Small, 0);
}

TEST(BirdFlight, OvershootingTheBandTurnsTheGullButKeepsTheOvershotRow) {
  TBirdState up;
  Set(up, 400, 200, 3, 1);  // band top is 200 at H = 600
  TRandom15 random;
  MoveBird(up, 600, 800, random);
  EXPECT_EQ(up.Y, 199);
  EXPECT_EQ(up.Climb, 2);
  EXPECT_EQ(up.ClimbTicks, 0);
  EXPECT_GE(up.ClimbLimit, 1);
  EXPECT_LE(up.ClimbLimit, 50);

  TBirdState down;
  Set(down, 400, 400, 3, 2);
  MoveBird(down, 600, 800, random);
  EXPECT_EQ(down.Y, 401);
  EXPECT_EQ(down.Climb, 1);
}

TEST(BirdFlight, AGlidingDescentHoldsPoseTwoOnTheSlowCourses) {
  TBirdState b;
  Set(b, 400, 250, 3, 2, /*flapOnDescent=*/0);
  TRandom15 random;
  for (int i = 0; i < 12; ++i) {
    MoveBird(b, 600, 800, random);
    EXPECT_EQ(b.Frame, 18);
  }
  // The fastest courses never glide.
  Set(b, 400, 250, 1, 2, 0);
  MoveBird(b, 600, 800, random);
  EXPECT_EQ(b.Frame, 1);
  // Climbing beats the wings whatever the choice.
  Set(b, 400, 350, 3, 1, 0);
  MoveBird(b, 600, 800, random);
  EXPECT_EQ(b.Frame, 17);
}

TEST(BirdFlight, AtTwiceTheScaleTheSameSeedFliesTheSameFlightEnlarged) {
  // 1920 x 1080 at scale 1 and 3840 x 2160 at scale 2, from the same seed.
  TBirdTable a, b;
  InitBirds(a, 1080);
  InitBirds(b, 2160, 2);
  TRandom15 ra, rb;
  ra.Seed(2026);
  rb.Seed(2026);
  for (int tick = 0; tick < 2000; ++tick)
    for (int i = 0; i < kBirdCount; ++i) {
      MoveBird(a[i], 1080, 1920, ra);
      MoveBird(b[i], 2160, 3840, rb, 2);
    }
  for (int i = 0; i < kBirdCount; ++i) {
    EXPECT_EQ(b[i].X, 2 * a[i].X);
    EXPECT_EQ(b[i].Y, 2 * a[i].Y);
    EXPECT_EQ(b[i].Frame, a[i].Frame);
    EXPECT_EQ(b[i].Small, a[i].Small);
    // Everything stays in its documented range over a long flight.
    EXPECT_GE(a[i].Course, 1);
    EXPECT_LE(a[i].Course, 5);
    EXPECT_GE(a[i].Frame, 0);
    EXPECT_LE(a[i].Frame, 39);
    EXPECT_GE(a[i].X, -103);
    EXPECT_LE(a[i].X, 1920 + 103);
    EXPECT_GE(a[i].Y, 1080 * 200 / 600 - 1);
    EXPECT_LE(a[i].Y, 1080 * 400 / 600 + 1);
  }
}

}  // namespace
}  // namespace velmo
