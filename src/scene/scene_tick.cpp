#include "scene/scene_tick.h"

#include "components/ddmain.h"
#include "components/screen_scale.h"
#include "scene/form1.h"

namespace velmo {

void TickScene(TForm1& scene, TRandom15& random) {
  int32_t frame = scene.FSeaFrame.load(std::memory_order_relaxed) + 1;
  if (frame > 31) frame = 0;
  TickScene(scene, random, frame);
}

void TickScene(TForm1& scene, TRandom15& random, int32_t seaFrame) {
  scene.FSeaFrame.store(seaFrame, std::memory_order_relaxed);
  const int32_t width = scene.Settings.ResHor;
  const int32_t height = scene.DDmain1->GetHeight();
  const int32_t scale = ScaleOfScreen(width, height);
  for (int i = 0; i < scene.Settings.NumBirds; ++i) MoveBird(scene.FBirds[i], height, width, random, scale);
}

}  // namespace velmo
