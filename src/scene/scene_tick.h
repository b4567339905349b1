#pragma once
// The timer's tick: the sea rolls one frame and every gull flies a step.
// Runs on the timer's thread; writes only 32-bit values, whole, that the
// loop's thread reads without a lock. Allocates nothing.
#include <atomic>
#include <cstdint>

#include "scene/bird_flight.h"
#include "setup/settings.h"

namespace velmo {

class TDDmain;

// What the tick moves and the loop's thread draws.
struct TSceneMotion {
  std::atomic<int32_t> FSeaFrame{0};
  TBirdTable FBirds;
};

// The sea one frame on (31 wraps to 0), the first settings.NumBirds gulls a
// step within display's height and the settings' width.
void TickScene(TSceneMotion& motion, const TDDmain& display, const TSaverSettings& settings, TRandom15& random);
// The same with the sea at seaFrame: a scene ticked with another's (TSharedTick).
void TickScene(TSceneMotion& motion, const TDDmain& display, const TSaverSettings& settings, TRandom15& random,
               int32_t seaFrame);

}  // namespace velmo
