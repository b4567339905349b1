// SPDX-License-Identifier: MIT
#include "scene/saver_options.h"

namespace velmo {

void TSaverOptions::ApplyTo(TSaverSettings& settings) const {
  if (InWindow()) {
    settings.NumBirds = kNumBirds;
    settings.flag_clock = kClock;
    settings.flag_PlaySound = kPlaySound;
    settings.flag_fps = kShowFps;
    settings.Gamma = kGamma;
    settings.SetSpeed = kSetSpeed;
  }
  settings.NumBirds = NumBirds.value_or(settings.NumBirds);
  settings.flag_clock = flag_clock.value_or(settings.flag_clock);
  settings.flag_PlaySound = flag_PlaySound.value_or(settings.flag_PlaySound);
  settings.flag_fps = flag_fps.value_or(settings.flag_fps);
  settings.Gamma = Gamma.value_or(settings.Gamma);
  settings.SetSpeed = SetSpeed.value_or(settings.SetSpeed);
}

}  // namespace velmo
