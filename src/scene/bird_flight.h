#pragma once
// Seagull flight: ten records of thirteen 32-bit integers, each advanced one
// step per timer tick. What the drawing thread reads while the timer thread
// writes (the place, the size, the pose) is atomic, each written whole, no
// lock; a frame may mix two neighbouring ticks, which is fine. The rest of
// the flight is the timer's alone: the loop's thread writes it only while
// no tick runs (before the timer starts, while it rests for a re-layout).
#include <array>
#include <atomic>
#include <cstdint>

namespace velmo {

// The generator of the scene: draws 0..32767, seeded once.
class TRandom15 {
 public:
  void Seed(uint32_t seed) { state_ = seed; }
  int32_t Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int32_t>((state_ >> 16) & 0x7FFF);
  }
  // r(n): a draw modulo n.
  int32_t R(int32_t n) { return Next() % n; }

 private:
  uint32_t state_ = 1;
};

struct TBirdState {
  // Read by the drawing thread.
  std::atomic<int32_t> X{0};
  std::atomic<int32_t> Y{0};
  std::atomic<int32_t> Small{0};
  std::atomic<int32_t> Frame{0};
  // The timer's own.
  int32_t Course = 0;
  int32_t CourseLimit = 0;
  int32_t CourseTicks = 0;
  int32_t Climb = 0;
  int32_t ClimbLimit = 0;
  int32_t ClimbTicks = 0;
  int32_t FlapOnDescent = 0;
  int32_t FlapLimit = 0;
  int32_t FlapTicks = 0;
};

constexpr int kBirdCount = 10;
using TBirdTable = std::array<TBirdState, kBirdCount>;

// Horizontal step per tick of courses 1..5.
constexpr int32_t kCourseStep[6] = {0, -3, -2, -1, 2, 3};

// Start values of all ten records for a display height H. `scale` (the
// screen's ScaleOfScreen) multiplies every distance in pixels: spacing,
// steps and the turning margins, so a large screen shows the same flight
// enlarged.
void InitBirds(TBirdTable& birds, int32_t height, int32_t scale = 1);

// A display of oldW x oldH became newW x newH: every gull keeps its place
// relative to the picture, and so stays in its flight band.
void FitBirds(TBirdTable& birds, int32_t oldW, int32_t oldH, int32_t newW, int32_t newH);

// One step of one gull; the random draws come in a fixed order so that a
// seed gives a flight.
void MoveBird(TBirdState& bird, int32_t height, int32_t resHor, TRandom15& random, int32_t scale = 1);

}  // namespace velmo
