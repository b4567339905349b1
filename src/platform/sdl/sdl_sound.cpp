#include "platform/sdl/sdl_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <cstdio>

#include <string>
#include <vector>

#include "platform/wave_clip.h"

namespace velmo {
namespace {

// Builds a plain 16-bit PCM WAVE in memory, which SDL_mixer converts to the
// device's format when it loads it.
std::vector<uint8_t> PcmWave(const Pcm& pcm) {
  const uint32_t bytes = static_cast<uint32_t>(pcm.samples.size() * sizeof(int16_t));
  std::vector<uint8_t> w;
  w.reserve(44 + bytes);
  auto put16 = [&](uint32_t v) {
    w.push_back(v & 0xFF);
    w.push_back((v >> 8) & 0xFF);
  };
  auto put32 = [&](uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) w.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF");
  put32(36 + bytes);
  tag("WAVE");
  tag("fmt ");
  put32(16);
  put16(1);  // PCM
  put16(static_cast<uint32_t>(pcm.channels));
  put32(static_cast<uint32_t>(pcm.rate));
  put32(static_cast<uint32_t>(pcm.rate * pcm.channels * 2));
  put16(static_cast<uint32_t>(pcm.channels * 2));
  put16(16);
  tag("data");
  put32(bytes);
  const auto* p = reinterpret_cast<const uint8_t*>(pcm.samples.data());
  w.insert(w.end(), p, p + bytes);
  return w;
}

// ALSA reports every card it cannot find on standard error, several lines
// per start on a machine without sound; one line of ours says it instead.
extern "C" void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
  static const bool done = [] {
    // Kept loaded: SDL opens the same library and so finds the handler set.
    void* alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!alsa) return false;
    using SetHandler = int (*)(void (*)(const char*, int, const char*, int, const char*, ...));
    if (auto set = reinterpret_cast<SetHandler>(::dlsym(alsa, "snd_lib_error_set_handler"))) set(SilentAlsaError);
    return true;
  }();
  (void)done;
}

class SdlSound final : public ISound {
 public:
  ~SdlSound() override { Stop(); }

  bool PlayLoop(std::span<const uint8_t> wave) override {
    Stop();
    Mp3Wave clip;
    Pcm pcm;
    if (!ParseMp3Wave(wave, clip, &error_) || !DecodeMp3Wave(clip, pcm, &error_)) return false;
    QuietAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return NoDevice("SDL audio");
    audioInit_ = true;
    // Open the device at the clip's own rate so that nothing is resampled.
    if (Mix_OpenAudio(pcm.rate, AUDIO_S16SYS, pcm.channels, 2048) != 0) return NoDevice("Mix_OpenAudio");
    mixerOpen_ = true;
    const std::vector<uint8_t> plain = PcmWave(pcm);
    chunk_ = Mix_LoadWAV_RW(SDL_RWFromConstMem(plain.data(), static_cast<int>(plain.size())), 1);
    if (!chunk_) return Failed("Mix_LoadWAV_RW");
    if (Mix_PlayChannel(-1, chunk_, -1) < 0) return Failed("Mix_PlayChannel");
    return true;
  }

  void Stop() override {
    if (mixerOpen_) Mix_HaltChannel(-1);
    if (chunk_) Mix_FreeChunk(chunk_);
    chunk_ = nullptr;
    if (mixerOpen_) Mix_CloseAudio();
    mixerOpen_ = false;
    if (audioInit_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioInit_ = false;
  }

 private:
  // Said once per run: the saver runs on in silence.
  bool NoDevice(const char* what) {
    static bool said = false;
    if (!said) std::fprintf(stderr, "velmo: no sound device: the surf is off\n");
    said = true;
    return Failed(what);
  }

  bool Failed(const char* what) {
    error_ = std::string(what) + ": " + SDL_GetError();
    Stop();
    return false;
  }

  Mix_Chunk* chunk_ = nullptr;
  bool audioInit_ = false;
  bool mixerOpen_ = false;
  std::string error_;  // kept for debugging; the saver runs silent on failure
};

}  // namespace

std::unique_ptr<ISound> MakeSdlSound() { return std::make_unique<SdlSound>(); }

}  // namespace velmo
