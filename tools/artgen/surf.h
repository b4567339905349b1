#pragma once
// The looping sound track: gentle surf with a few distant gull cries,
// encoded as MPEG layer 3 in a RIFF WAVE.
#include "encoders.h"

namespace artgen {

constexpr int kSoundRate = 24000;
constexpr uint32_t kSoundFactSamples = 690048;  // 1198 frames of 576 samples
constexpr uint32_t kSoundDataBytes = 143760;    // 1198 frames of 120 bytes (40 kbit/s)

// The WAVE file; false (with a message on stderr) when the encoder fails.
bool MakeSurfWave(Bytes& wave);

}  // namespace artgen
