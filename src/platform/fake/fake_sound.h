#pragma once
// Scriptable sound for tests: records every call.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/sound.h"

namespace velmo {

class FakeSound : public ISound {
 public:
  bool PlayLoop(std::span<const uint8_t> wave, ClipMemory memory) override;
  void Stop() override;

  // What PlayLoop answers.
  bool playResult = true;

  // "PlayLoop" and "Stop" in the order they came.
  std::vector<std::string> calls;
  // The bytes handed to the last PlayLoop.
  std::span<const uint8_t> lastWave;
  bool playing = false;
};

}  // namespace velmo
