// The sound track's WAVE parser and the trimming of its decoded samples:
// any bytes are parsed or refused with a message, and a clip decoded from
// them keeps within what its data and its fact chunk allow.
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
  velmo::Mp3Wave wave;
  std::string error;
  if (!velmo::ParseMp3Wave(std::span<const uint8_t>(data, size), wave, &error)) {
    Check(!error.empty());
    return 0;
  }
  Check(wave.data.data() >= data && wave.data.data() + wave.data.size() <= data + size);
  velmo::Pcm pcm;
  if (!velmo::DecodeMp3Wave(wave, pcm, &error)) {
    Check(!error.empty());
    return 0;
  }
  Check(pcm.channels == wave.channels && pcm.samples.size() % pcm.channels == 0);
  if (wave.factSamples) Check(pcm.Frames() <= wave.factSamples);
  return 0;
}
