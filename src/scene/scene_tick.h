#pragma once
// The timer's tick: the sea rolls one frame and every gull flies a step.
// Runs on the timer's thread; writes only 32-bit values, whole, that the
// loop's thread reads without a lock. Allocates nothing.
#include <cstdint>

namespace velmo {

class TForm1;
class TRandom15;

void TickScene(TForm1& scene, TRandom15& random);
// The same with the sea at seaFrame: a scene ticked with another's (TSharedTick).
void TickScene(TForm1& scene, TRandom15& random, int32_t seaFrame);

}  // namespace velmo
