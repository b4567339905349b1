// SPDX-License-Identifier: MIT
#include "platform/sdl/sdl_sound.h"

#include <SDL.h>
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "platform/file_pages.h"
#include "platform/process_exit.h"
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

// What the saver's thread and the sound's own thread share: the clip and
// its place, and the hand-over of the stop. Kept alive by the sound thread
// for as long as the device may call back, also when that is for ever.
struct Playback {
  PcmWave clip;
  size_t at = 0;  // the audio thread's place in the clip
  bool givesBack = false;
  size_t givenBack = 0;  // the audio thread's: the clip's pages before it are given back
  std::atomic<bool> silent{false};  // the callback writes silence and leaves the clip alone
  std::mutex mutex;
  std::condition_variable changed;
  bool stop = false;  // asked by Stop
  bool done = false;  // the device is closed and SDL's audio ended
};

// The sound thread and SDL's audio thread are the only ones that call SDL's
// audio: while one left behind is still in the driver, no other may start.
// One that was only slow (a loaded machine) frees the way once it is done.
// The saver's thread only.
std::shared_ptr<Playback> leftBehind;

bool StillLeftBehind() {
  if (!leftBehind) return false;
  std::lock_guard lock(leftBehind->mutex);
  if (!leftBehind->done) return true;
  leftBehind.reset();
  return false;
}

// Said once per run: the saver runs on in silence.
void NoDevice(const char* what) {
  static std::atomic<bool> said{false};
  if (!said.exchange(true)) std::fprintf(stderr, "velmo: no sound device: the surf is off\n");
  (void)what;  // SDL_GetError() names the cause; the line above is all a user needs
}

// SDL's audio thread: the next stretch of the loop, copied from the clip.
void SDLCALL Fill(void* data, Uint8* stream, int len) {
  auto* play = static_cast<Playback*>(data);
  if (play->silent.load(std::memory_order_acquire)) {
    std::memset(stream, 0, static_cast<size_t>(len));
    return;
  }
  CopyLooped(play->clip.data, &play->at, {stream, static_cast<size_t>(len)});
  if (!play->givesBack) return;
  // The pages behind the play position go back to the system, 64 KiB at a
  // time (a system call every two thirds of a second for the surf), and
  // the end of the clip once the loop starts again.
  constexpr size_t kBatch = size_t{64} << 10;
  if (play->at < play->givenBack) {  // round again
    DropFilePages(play->clip.data, play->givenBack, play->clip.data.size());
    play->givenBack = 0;
  }
  if (play->at - play->givenBack >= kBatch)
    play->givenBack = DropFilePages(play->clip.data, play->givenBack, play->at);
}

// The sound thread: starts SDL's audio, opens the device, plays until asked
// to stop, then closes both. Every one of these calls can block in the
// driver (a sound server with no output; SDL's PipeWire driver at open;
// ALSA's write that never returns, which the close waits on), so none of
// them runs on the saver's thread.
void PlayOnOwnThread(std::shared_ptr<Playback> play) {
  QuietAlsa();
  auto finish = [&] {
    std::lock_guard lock(play->mutex);
    play->done = true;
    play->changed.notify_all();
  };
  // Audio alone, outside SDL's count of started subsystems: SDL_Quit on the
  // saver's thread then never touches a device this thread may be stuck on.
  if (SDL_AudioInit(nullptr) != 0) {
    NoDevice("SDL_AudioInit");
    return finish();
  }
  SDL_AudioDeviceID device = 0;
  {
    std::unique_lock lock(play->mutex);
    if (!play->stop) {
      lock.unlock();
      // The clip's own format: SDL converts where the device wants another,
      // and the callback only copies.
      SDL_AudioSpec want{};
      want.freq = static_cast<int>(play->clip.samplesPerSecond);
      want.format = AUDIO_S16LSB;
      want.channels = static_cast<Uint8>(play->clip.channels);
      want.samples = 2048;
      want.callback = &Fill;
      want.userdata = play.get();
      SDL_AudioSpec have{};
      device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
      if (device == 0) NoDevice("SDL_OpenAudioDevice");
      else SDL_PauseAudioDevice(device, 0);
      lock.lock();
    }
    play->changed.wait(lock, [&] { return play->stop; });
  }
  // Waits for SDL's audio thread: for ever where the driver never returns.
  if (device != 0) SDL_CloseAudioDevice(device);
  SDL_AudioQuit();
  finish();
}

// An SDL thread rather than a std::thread: SDL frees what it keeps per
// thread (its error text, set when no device opens) when one of its own
// threads ends, and only then.
int PlayThreadEntry(void* data) {
  std::unique_ptr<std::shared_ptr<Playback>> play(static_cast<std::shared_ptr<Playback>*>(data));
  PlayOnOwnThread(std::move(*play));
  return 0;
}

class SdlSound final : public ISound {
 public:
  ~SdlSound() override { Stop(); }

  bool PlayLoop(std::span<const uint8_t> wave, ClipMemory memory) override {
    Stop();
    auto play = std::make_shared<Playback>();
    std::string error;
    if (!ParsePcmWave(wave, play->clip, &error)) return false;
    if (StillLeftBehind()) return false;  // said when it was left behind
    play->givesBack = memory == ClipMemory::FileMapped;
    // The names a desktop's sound settings show for the stream. Set here, on
    // the thread that sets SDL's other hints.
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Velmo");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Surf");
    auto* handed = new std::shared_ptr<Playback>(play);
    SDL_Thread* thread = SDL_CreateThread(PlayThreadEntry, "velmo-surf", handed);
    if (thread == nullptr) {
      delete handed;
      NoDevice("SDL_CreateThread");
      return false;
    }
    SDL_DetachThread(thread);
    playing_ = std::move(play);
    return true;
  }

  void Stop() override {
    if (!playing_) return;
    std::shared_ptr<Playback> play = std::move(playing_);
    // Silent at once, whatever the close below does.
    play->silent.store(true, std::memory_order_release);
    std::unique_lock lock(play->mutex);
    play->stop = true;
    play->changed.notify_all();
    if (play->changed.wait_for(lock, kCloseWait, [&] { return play->done; })) return;
    // The driver holds the device: the sound thread is left behind with
    // the clip it plays from, and the process ends without waiting for it.
    leftBehind = play;
    NoteThreadLeftBehind();
    std::fprintf(stderr, "velmo: the sound device does not close; it is left behind\n");
  }

 private:
  // How long an ending waits for the device to close: a working one takes
  // a few milliseconds (SDL's dummy driver up to a buffer, 85 ms), more on
  // a loaded machine; the ending stays within 200 ms.
  static constexpr auto kCloseWait = std::chrono::milliseconds(150);

  std::shared_ptr<Playback> playing_;
};

}  // namespace

std::unique_ptr<ISound> MakeSdlSound() { return std::make_unique<SdlSound>(); }

}  // namespace velmo
