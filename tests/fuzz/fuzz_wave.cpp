// The sound track's WAVE parser and the copy that loops what it found: any
// bytes are parsed or refused with a message, and a clip parsed from them
// lies inside them, holds whole frames and plays round and round from them.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/wave_clip.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  velmo::PcmWave wave;
  std::string error;
  if (!velmo::ParsePcmWave(std::span<const uint8_t>(data, size), wave, &error)) {
    Check(!error.empty());
    return 0;
  }
  Check(wave.data.data() >= data && wave.data.data() + wave.data.size() <= data + size);
  Check(wave.channels >= 1 && wave.channels <= 2 && wave.Frames() > 0);
  Check(wave.data.size() % wave.FrameBytes() == 0);
  // A fill of an odd size that wraps: every byte is the clip's at its place.
  uint8_t out[1031];
  size_t at = wave.data.size() - wave.FrameBytes();
  const size_t from = at;
  velmo::CopyLooped(wave.data, &at, out);
  for (size_t i = 0; i < sizeof out; ++i) Check(out[i] == wave.data[(from + i) % wave.data.size()]);
  Check(at == (from + sizeof out) % wave.data.size());
  return 0;
}
