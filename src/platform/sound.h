#pragma once
// Looping sound from the program's own data.
#include <cstdint>
#include <span>

namespace velmo {

// Where a clip's bytes lie. The program's own data is a read-only mapping
// of the program file: the pages already played can go back to the system
// and be read from the file again at the next loop, so the clip is not kept
// resident whole. Other memory (anything written) is kept as it is.
enum class ClipMemory { Kept, FileMapped };

class ISound {
 public:
  virtual ~ISound() = default;
  // Starts the clip (a RIFF WAVE of 16-bit PCM) looping; false when it
  // cannot play (the saver then runs silent). Opens the sound device on the
  // calling thread (a few milliseconds, more on a busy sound server) and
  // returns; the clip plays on the backend's own thread, read straight from
  // the given bytes, which the caller keeps until Stop (the catalogue's live
  // as long as the program).
  virtual bool PlayLoop(std::span<const uint8_t> wave, ClipMemory memory) = 0;
  // Silences it and closes the device; waits for a fill under way. Harmless
  // when nothing plays.
  virtual void Stop() = 0;
};

}  // namespace velmo
