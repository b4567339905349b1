#include "scene/scene_tick.h"

#include "components/ddmain.h"
#include "components/screen_scale.h"

namespace velmo {

void TickScene(TSceneMotion& motion, const TDDmain& display, const TSaverSettings& settings, TRandom15& random) {
  int32_t frame = motion.FSeaFrame.load(std::memory_order_relaxed) + 1;
  if (frame > 31) frame = 0;
  TickScene(motion, display, settings, random, frame);
}

void TickScene(TSceneMotion& motion, const TDDmain& display, const TSaverSettings& settings, TRandom15& random,
               int32_t seaFrame) {
  motion.FSeaFrame.store(seaFrame, std::memory_order_relaxed);
  const int32_t width = settings.ResHor;
  const int32_t height = display.GetHeight();
  const int32_t scale = ScaleOfScreen(width, height);
  for (int i = 0; i < settings.NumBirds; ++i) MoveBird(motion.FBirds[i], height, width, random, scale);
}

}  // namespace velmo
