// SPDX-License-Identifier: MIT
#include "platform/wave_clip.h"

#include <algorithm>
#include <cstring>

namespace velmo {
namespace {

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

uint32_t Read16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Read32(const uint8_t* p) { return Read16(p) | (Read16(p + 2) << 16); }

}  // namespace

bool ParsePcmWave(std::span<const uint8_t> f, PcmWave& out, std::string* error) {
  if (f.size() < 12 || std::memcmp(f.data(), "RIFF", 4) != 0 || std::memcmp(f.data() + 8, "WAVE", 4) != 0)
    return Fail(error, "WAVE: not a RIFF WAVE file");
  PcmWave w;
  bool haveFormat = false, haveData = false;
  size_t at = 12;
  while (at + 8 <= f.size()) {
    const uint8_t* chunk = f.data() + at;
    const uint32_t size = Read32(chunk + 4);
    if (size > f.size() - at - 8) return Fail(error, "WAVE: chunk runs past the end of the file");
    const uint8_t* body = chunk + 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16) return Fail(error, "WAVE: format chunk too short");
      if (Read16(body) != 1) return Fail(error, "WAVE: format tag is not PCM (1)");
      if (Read16(body + 14) != 16) return Fail(error, "WAVE: samples are not 16 bits");
      w.channels = static_cast<uint16_t>(Read16(body + 2));
      w.samplesPerSecond = Read32(body + 4);
      if (w.channels < 1 || w.channels > 2 || w.samplesPerSecond < 8000 || w.samplesPerSecond > 48000)
        return Fail(error, "WAVE: channel count or sample rate out of range");
      if (Read16(body + 12) != w.FrameBytes()) return Fail(error, "WAVE: block align is not one sample frame");
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      w.data = f.subspan(at + 8, size);
      haveData = true;
    }
    at += 8 + size + (size & 1);
  }
  if (!haveFormat) return Fail(error, "WAVE: no format chunk");
  if (!haveData) return Fail(error, "WAVE: no data chunk");
  w.data = w.data.first(w.data.size() / w.FrameBytes() * w.FrameBytes());
  if (w.data.empty()) return Fail(error, "WAVE: no whole sample frame in the data chunk");
  out = w;
  return true;
}

void CopyLooped(std::span<const uint8_t> clip, size_t* at, std::span<uint8_t> out) {
  if (clip.empty()) {
    std::fill(out.begin(), out.end(), uint8_t{0});
    return;
  }
  size_t from = *at < clip.size() ? *at : 0;
  while (!out.empty()) {
    const size_t n = std::min(out.size(), clip.size() - from);
    std::memcpy(out.data(), clip.data() + from, n);
    out = out.subspan(n);
    from = (from + n) % clip.size();
  }
  *at = from;
}

}  // namespace velmo
