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
  // cannot be played (the saver then runs silent). Returns at once: the
  // device is opened, and the clip played, on the backend's own threads, read
  // straight from the given bytes, which the caller keeps for as long as the
  // program runs (the catalogue's). A device that cannot be opened is said
  // on standard error from there, and the saver runs silent.
  virtual bool PlayLoop(std::span<const uint8_t> wave, ClipMemory memory) = 0;
  // Silences it at once and closes the device, waiting a bounded time (a
  // tenth of a second or so) for the close; a device stuck in its driver is
  // left behind, and the process then ends without waiting for it
  // (platform/process_exit.h). Harmless when nothing plays.
  virtual void Stop() = 0;
};

}  // namespace velmo
