// SPDX-License-Identifier: MIT
#pragma once
// The sound track's container: a RIFF WAVE of 16-bit little-endian PCM
// (format tag 1), played as it is stored, and the copy that loops it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velmo {

struct PcmWave {
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  // Whole sample frames of interleaved 16-bit little-endian samples; a
  // view into the parsed file.
  std::span<const uint8_t> data;
  size_t FrameBytes() const { return size_t{channels} * 2; }
  size_t Frames() const { return channels ? data.size() / FrameBytes() : 0; }
};

// Reads the chunks of the file; false with a message for anything that is
// not a well-formed WAVE of 16-bit PCM, mono or stereo, 8000 to 48000
// samples a second, with at least one whole frame. A trailing part frame
// is left out.
bool ParsePcmWave(std::span<const uint8_t> file, PcmWave& out, std::string* error);

// Fills out with the clip played round and round from byte *at (a whole
// frame's offset inside it), and leaves *at where the next fill goes on.
// Copies only: safe on an audio thread, allocates nothing.
void CopyLooped(std::span<const uint8_t> clip, size_t* at, std::span<uint8_t> out);

}  // namespace velmo
