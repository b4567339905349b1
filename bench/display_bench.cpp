// Cost of showing one frame: a full-frame clear and the present of a flip
// (changed rows compared, copied and handed to the window), without the wait
// for the refresh, against a memcpy of one frame of the same size.
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
    shown = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_RGB888);
    presenter.Attach(SDL_GetWindowID(window), 60, h);
  }
  ~Frame() {
    SDL_FreeSurface(back);
    SDL_FreeSurface(shown);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  SDL_Window* window;
  SDL_Surface* back;
  SDL_Surface* shown;
  SdlPresenter presenter;
};

// Every frame differs from the last: the whole frame goes out.
void BM_ClearAndPresentChangedFrame(benchmark::State& state) {
  Frame f(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  uint32_t colour = 0;
  for (auto _ : state) {
    SDL_FillRect(f.back, nullptr, colour ^= 0x010101);
    f.presenter.Present(f.back, f.shown);
  }
  state.SetBytesProcessed(state.iterations() * f.back->pitch * f.back->h);
}

// The same frame again: rows are compared and nothing is sent.
void BM_ClearAndPresentUnchangedFrame(benchmark::State& state) {
  Frame f(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    SDL_FillRect(f.back, nullptr, 0);
    f.presenter.Present(f.back, f.shown);
  }
  state.SetBytesProcessed(state.iterations() * f.back->pitch * f.back->h);
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

BENCHMARK(BM_ClearAndPresentChangedFrame)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClearAndPresentUnchangedFrame)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyOneFrame)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velmo
