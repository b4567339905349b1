#include "platform/wave_clip.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace velmo {
namespace {

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

uint32_t Read16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Read32(const uint8_t* p) { return Read16(p) | (Read16(p + 2) << 16); }

}  // namespace

bool ParseMp3Wave(std::span<const uint8_t> f, Mp3Wave& out, std::string* error) {
  if (f.size() < 12 || std::memcmp(f.data(), "RIFF", 4) != 0 || std::memcmp(f.data() + 8, "WAVE", 4) != 0)
    return Fail(error, "WAVE: not a RIFF WAVE file");
  Mp3Wave w;
  bool haveFormat = false, haveData = false;
  size_t at = 12;
  while (at + 8 <= f.size()) {
    const uint8_t* chunk = f.data() + at;
    const uint32_t size = Read32(chunk + 4);
    if (size > f.size() - at - 8) return Fail(error, "WAVE: chunk runs past the end of the file");
    const uint8_t* body = chunk + 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16) return Fail(error, "WAVE: format chunk too short");
      const uint32_t tag = Read16(body);
      if (tag != 0x0055) return Fail(error, "WAVE: format tag is not MPEG layer 3 (0x0055)");
      w.channels = static_cast<uint16_t>(Read16(body + 2));
      w.samplesPerSecond = Read32(body + 4);
      w.avgBytesPerSecond = Read32(body + 8);
      w.blockAlign = static_cast<uint16_t>(Read16(body + 12));
      // MPEGLAYER3WAVEFORMAT: cbSize, wID, fdwFlags, nBlockSize, nFramesPerBlock, nCodecDelay.
      if (size >= 30 && Read16(body + 16) >= 12) {
        w.codecDelay = static_cast<uint16_t>(Read16(body + 28));
        w.hasCodecDelay = true;
      }
      if (w.channels < 1 || w.channels > 2 || w.samplesPerSecond < 8000 || w.samplesPerSecond > 48000)
        return Fail(error, "WAVE: channel count or sample rate out of range");
      haveFormat = true;
    } else if (std::memcmp(chunk, "fact", 4) == 0) {
      if (size < 4) return Fail(error, "WAVE: fact chunk too short");
      w.factSamples = Read32(body);
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      w.data = f.subspan(at + 8, size);
      haveData = true;
    }
    at += 8 + size + (size & 1);
  }
  if (!haveFormat) return Fail(error, "WAVE: no format chunk");
  if (!haveData || w.data.empty()) return Fail(error, "WAVE: no data chunk");
  out = w;
  return true;
}

bool DecodeMp3Wave(const Mp3Wave& wave, Pcm& out, std::string* error) {
  static std::once_flag init;
  std::call_once(init, [] { mpg123_init(); });  // needed by library versions before 1.27, harmless after
  int err = MPG123_OK;
  std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)> h(mpg123_new(nullptr, &err), mpg123_delete);
  if (!h) return Fail(error, std::string("MP3: ") + mpg123_plain_strerror(err));
  // Exact sample positions: no gapless trimming of our own, no resampling,
  // and no messages on stderr.
  mpg123_param(h.get(), MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(h.get());
  const int channels = wave.channels == 1 ? MPG123_MONO : MPG123_STEREO;
  if (mpg123_format(h.get(), static_cast<long>(wave.samplesPerSecond), channels, MPG123_ENC_SIGNED_16) != MPG123_OK ||
      mpg123_open_feed(h.get()) != MPG123_OK)
    return Fail(error, std::string("MP3: ") + mpg123_strerror(h.get()));

  // Room for what the data can hold, whatever the fact chunk claims: layer 3
  // codes at most 24 samples a channel in one byte (8 kbit/s at 24 kHz).
  constexpr size_t kMaxSamplesPerByte = 24;
  const size_t plausible = wave.data.size() * kMaxSamplesPerByte + 4096;
  const size_t expected = wave.factSamples ? size_t{wave.factSamples} + 4096 : size_t{1} << 20;
  std::vector<int16_t> pcm;
  pcm.reserve(std::min(expected, plausible) * wave.channels);
  std::vector<unsigned char> buffer(1 << 15);
  bool fed = false;
  while (true) {
    size_t got = 0;
    const unsigned char* in = fed ? nullptr : wave.data.data();
    const size_t inSize = fed ? 0 : wave.data.size();
    fed = true;
    const int r = mpg123_decode(h.get(), in, inSize, buffer.data(), buffer.size(), &got);
    const auto* s = reinterpret_cast<const int16_t*>(buffer.data());
    pcm.insert(pcm.end(), s, s + got / sizeof(int16_t));
    if (r == MPG123_NEW_FORMAT) {
      long rate = 0;
      int ch = 0, enc = 0;
      mpg123_getformat(h.get(), &rate, &ch, &enc);
      if (rate != static_cast<long>(wave.samplesPerSecond) || ch != wave.channels)
        return Fail(error, "MP3: the frames do not match the WAVE header's format");
      continue;
    }
    if (r == MPG123_OK) continue;
    if (r == MPG123_NEED_MORE || r == MPG123_DONE) break;
    return Fail(error, std::string("MP3: ") + mpg123_strerror(h.get()));
  }
  const size_t frames = pcm.size() / wave.channels;
  const size_t skip = wave.hasCodecDelay ? wave.codecDelay : kDefaultCodecDelay;
  if (frames <= skip) return Fail(error, "MP3: no audio in the data chunk");
  size_t keep = frames - skip;
  if (wave.factSamples) keep = std::min<size_t>(keep, wave.factSamples);
  out.channels = wave.channels;
  out.rate = static_cast<int>(wave.samplesPerSecond);
  out.samples.assign(pcm.begin() + skip * wave.channels, pcm.begin() + (skip + keep) * wave.channels);
  return true;
}

}  // namespace velmo
