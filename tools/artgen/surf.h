#pragma once
// The looping sound track: gentle surf with a few distant gull cries, as
// 16-bit stereo PCM in a RIFF WAVE, which the program plays as it is stored
// (no decoder to carry, and the loop is exact to the sample).
#include "encoders.h"

namespace artgen {

constexpr int kSoundRate = 24000;
constexpr uint32_t kSoundFrames = 690048;  // 28.75 s

// The WAVE file; false (with a message on stderr) when it cannot be made.
bool MakeSurfWave(Bytes& wave);

}  // namespace artgen
