#pragma once
// The sound track's container: a RIFF WAVE holding MPEG layer-3 data
// (format tag 0x0055), and its decoding to 16-bit PCM.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmo {

struct Mp3Wave {
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint32_t avgBytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint32_t factSamples = 0;  // samples per channel the clip plays; 0 when there is no fact chunk
  uint16_t codecDelay = 0;   // samples the decoder puts in front (from the layer-3 extension)
  bool hasCodecDelay = false;
  std::span<const uint8_t> data;  // the MPEG frames
};

// Reads the chunks of the file; false with a message for anything that is not
// a well-formed WAVE of layer-3 data.
bool ParseMp3Wave(std::span<const uint8_t> file, Mp3Wave& out, std::string* error);

struct Pcm {
  int channels = 0;
  int rate = 0;
  std::vector<int16_t> samples;  // interleaved
  size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

// Decodes the layer-3 data, then drops the codec delay in front and keeps at
// most the fact chunk's count of samples, so the clip loops without a gap.
bool DecodeMp3Wave(const Mp3Wave& wave, Pcm& out, std::string* error);

// Samples a decoder adds in front when the file does not say: the encoder's
// usual 576 plus the decoder's 529.
constexpr uint16_t kDefaultCodecDelay = 1105;

}  // namespace velmo
