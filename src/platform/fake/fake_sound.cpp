#include "platform/fake/fake_sound.h"

namespace velmo {

bool FakeSound::PlayLoop(std::span<const uint8_t> wave, ClipMemory) {
  calls.push_back("PlayLoop");
  lastWave = wave;
  playing = playResult;
  return playResult;
}

void FakeSound::Stop() {
  calls.push_back("Stop");
  playing = false;
}

}  // namespace velmo
