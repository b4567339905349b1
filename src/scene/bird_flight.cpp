#include "scene/bird_flight.h"

namespace velmo {

namespace {
constexpr auto relaxed = std::memory_order_relaxed;
}

void InitBirds(TBirdTable& birds, int32_t height, int32_t scale) {
  for (int32_t i = 0; i < kBirdCount; ++i) {
    TBirdState& b = birds[i];
    b.X.store(height * 100 / 600 + 50 * scale * i, relaxed);  // the height, not the width, as the flock was laid out
    b.Y.store(height * 300 / 600 + 10 * scale * i, relaxed);
    b.Course = i % 4 + 1;
    b.CourseLimit = i + 20;
    b.CourseTicks = 0;
    b.Climb = 2;
    b.ClimbLimit = 2 * i + 10;
    b.ClimbTicks = 0;
    b.FlapOnDescent = 1;
    b.FlapLimit = 30;
    b.FlapTicks = 0;
    b.Small.store(i % 2, relaxed);
    b.Frame.store(0, relaxed);
  }
}

void FitBirds(TBirdTable& birds, int32_t oldW, int32_t oldH, int32_t newW, int32_t newH) {
  if (oldW <= 0 || oldH <= 0) return;
  for (TBirdState& b : birds) {
    b.X.store(static_cast<int32_t>(int64_t{b.X.load(relaxed)} * newW / oldW), relaxed);
    b.Y.store(static_cast<int32_t>(int64_t{b.Y.load(relaxed)} * newH / oldH), relaxed);
  }
}

void MoveBird(TBirdState& b, int32_t height, int32_t resHor, TRandom15& random, int32_t scale) {
  const int32_t top = height * 200 / 600;
  const int32_t bottom = height * 400 / 600;

  // Work on plain copies, store each field once.
  int32_t course = b.Course;
  int32_t courseLimit = b.CourseLimit;
  int32_t courseTicks = b.CourseTicks + 1;
  int32_t climb = b.Climb;
  int32_t climbLimit = b.ClimbLimit;
  int32_t climbTicks = b.ClimbTicks + 1;
  int32_t flapOnDescent = b.FlapOnDescent;
  int32_t flapLimit = b.FlapLimit;
  int32_t flapTicks = b.FlapTicks + 1;
  int32_t small = b.Small.load(relaxed);

  if (courseTicks > courseLimit) {
    if (random.R(2) == 1) course = course < 5 ? course + 1 : 4;
    else course = course > 1 ? course - 1 : 2;
    courseLimit = random.R(70) + 30;
    courseTicks = 0;
  }
  if (climbTicks > climbLimit) {
    climb = random.R(2) + 1;
    climbLimit = random.R(80) + 1;
    climbTicks = 0;
  }
  // The glide choice is made only at the end of a whole wing-beat cycle.
  if (flapTicks > flapLimit && flapTicks % 8 == 0) {
    flapOnDescent = random.R(4) == 0 ? 1 : 0;
    flapLimit = random.R(50) + 1;
    flapTicks = 0;
  }

  const int32_t x = b.X.load(relaxed) + kCourseStep[course] * scale;
  if (x < -100 * scale) {
    small = 1 - small;
    course = 5;
    courseLimit = random.R(80) + 100;
    courseTicks = 0;
  } else if (x > resHor + 100 * scale) {
    small = 1 - small;
    course = 1;
    courseLimit = random.R(80) + 100;
    courseTicks = 0;
  }

  const int32_t y = b.Y.load(relaxed) + (climb == 1 ? -scale : scale);
  if (y < top) {
    climb = 2;
    climbLimit = random.R(50) + 1;
    climbTicks = 0;
  } else if (y > bottom) {
    climb = 1;
    climbLimit = random.R(50) + 1;
    climbTicks = 0;
  }

  int32_t pose = flapTicks % 8;
  if (climb == 2 && course >= 2 && course <= 4 && flapOnDescent == 0) pose = 2;  // wings held: a glide

  b.X.store(x, relaxed);
  b.Y.store(y, relaxed);
  b.Course = course;
  b.CourseLimit = courseLimit;
  b.CourseTicks = courseTicks;
  b.Climb = climb;
  b.ClimbLimit = climbLimit;
  b.ClimbTicks = climbTicks;
  b.FlapOnDescent = flapOnDescent;
  b.FlapLimit = flapLimit;
  b.FlapTicks = flapTicks;
  b.Small.store(small, relaxed);
  b.Frame.store((course - 1) * 8 + pose, relaxed);
}

}  // namespace velmo
