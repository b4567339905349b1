#pragma once
// Looping sound from the program's own data.
#include <cstdint>
#include <span>

namespace velmo {

class ISound {
 public:
  virtual ~ISound() = default;
  // Starts the clip (a RIFF WAVE) looping, asynchronously; false when it
  // cannot play (the saver then runs silent).
  virtual bool PlayLoop(std::span<const uint8_t> wave) = 0;
  virtual void Stop() = 0;
};

}  // namespace velmo
