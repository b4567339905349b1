// Cost of showing one frame: a full-frame clear and the present of a flip
// (the changed area handed to the window, with and without a brightness
// ramp), without the wait for the refresh, against a memcpy of one frame of
// the same size.
// Runs on SDL's offscreen driver unless SDL_VIDEODRIVER says otherwise.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sdl/sdl_presenter.h"

namespace velmo {
namespace {

struct Frame {
  Frame(int w, int h) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    window = SDL_CreateWindow("bench", 0, 0, w, h, SDL_WINDOW_HIDDEN);
    back = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_RGB888);
    presenter.Attach(SDL_GetWindowID(window), 60);
  }
  ~Frame() {
    SDL_FreeSurface(back);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  SDL_Window* window;
  SDL_Surface* back;
  SdlPresenter presenter;
  ChangedArea all;  // whole is set: everything changed
};

// Every frame differs from the last: the whole frame goes out; range(2) = 1
// applies a half-brightness ramp on the way.
void BM_ClearAndPresentChangedFrame(benchmark::State& state) {
  Frame f(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  if (state.range(2)) {
    DDGAMMARAMP ramp;
    for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<uint16_t>(i * 128);
    f.presenter.SetRamp(&ramp);
  }
  uint32_t colour = 0;
  for (auto _ : state) {
    SDL_FillRect(f.back, nullptr, colour ^= 0x010101);
    f.presenter.Present(f.back, f.all);
  }
  state.SetBytesProcessed(state.iterations() * f.back->pitch * f.back->h);
}

// Nothing changed: nothing is sent.
void BM_PresentUnchangedFrame(benchmark::State& state) {
  Frame f(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  ChangedArea none;
  none.Clear();
  f.presenter.Present(f.back, f.all);
  for (auto _ : state) f.presenter.Present(f.back, none);
}

void BM_MemcpyOneFrame(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0)) * state.range(1) * 4;
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

BENCHMARK(BM_ClearAndPresentChangedFrame)
    ->ArgNames({"width", "height", "ramp"})
    ->Args({800, 600, 0})->Args({800, 600, 1})->Args({1920, 1080, 0})->Args({1920, 1080, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PresentUnchangedFrame)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyOneFrame)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velmo
