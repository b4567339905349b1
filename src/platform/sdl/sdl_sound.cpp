// SPDX-License-Identifier: MIT
#include "platform/sdl/sdl_sound.h"

#include <SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "platform/file_pages.h"
#include "platform/wave_clip.h"

namespace velmo {
namespace {

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

  bool PlayLoop(std::span<const uint8_t> wave, ClipMemory memory) override {
    Stop();
    if (!ParsePcmWave(wave, clip_, &error_)) return false;
    at_ = 0;
    givesBack_ = memory == ClipMemory::FileMapped;
    givenBack_ = 0;
    QuietAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return NoDevice("SDL audio");
    audioInit_ = true;
    // The clip's own format: SDL converts where the device wants another,
    // and the callback only copies.
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(clip_.samplesPerSecond);
    want.format = AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(clip_.channels);
    want.samples = 2048;
    want.callback = &SdlSound::Fill;
    want.userdata = this;
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) return NoDevice("SDL_OpenAudioDevice");
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  void Stop() override {
    // Closing waits for a callback under way, so the clip is not read after.
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    device_ = 0;
    if (audioInit_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioInit_ = false;
  }

 private:
  // SDL's audio thread: the next stretch of the loop, copied from the clip.
  static void SDLCALL Fill(void* self, Uint8* stream, int len) {
    auto* sound = static_cast<SdlSound*>(self);
    CopyLooped(sound->clip_.data, &sound->at_, {stream, static_cast<size_t>(len)});
    if (sound->givesBack_) sound->GiveBackPlayed();
  }

  // The pages behind the play position go back to the system, 64 KiB at a
  // time (a system call every two thirds of a second for the surf), and
  // the end of the clip once the loop starts again.
  void GiveBackPlayed() {
    constexpr size_t kBatch = size_t{64} << 10;
    if (at_ < givenBack_) {  // round again
      DropFilePages(clip_.data, givenBack_, clip_.data.size());
      givenBack_ = 0;
    }
    if (at_ - givenBack_ >= kBatch) givenBack_ = DropFilePages(clip_.data, givenBack_, at_);
  }

  // Said once per run: the saver runs on in silence.
  bool NoDevice(const char* what) {
    static bool said = false;
    if (!said) std::fprintf(stderr, "velmo: no sound device: the surf is off\n");
    said = true;
    error_ = std::string(what) + ": " + SDL_GetError();
    Stop();
    return false;
  }

  PcmWave clip_;
  size_t at_ = 0;  // the audio thread's place in the clip while the device is open
  bool givesBack_ = false;
  size_t givenBack_ = 0;  // the audio thread's: the clip's pages before it are given back
  SDL_AudioDeviceID device_ = 0;
  bool audioInit_ = false;
  std::string error_;  // kept for debugging; the saver runs silent on failure
};

}  // namespace

std::unique_ptr<ISound> MakeSdlSound() { return std::make_unique<SdlSound>(); }

}  // namespace velmo
