// The cost of one whole frame of the real scene (TForm1::ComposeFrame: clear,
// sky, sea frame, keyed rocks, 10 gulls, clock, frame-rate text, flip) on the
// real SDL display layer with the real frame timer moving the sea and gulls,
// against a memcpy of one frame of the same size and depth.
//
// The flip waits for the next refresh (a timed sleep at 60 Hz), so the wall
// time of BM_ComposeFrame is the 16.7 ms pacing; its CPU time is the work of
// the frame including the present, without the sleep. BM_DrawLayers is the
// same frame without the flip (everything before FlipSurfaces). Counters:
// memcpy_us = one memcpy of the frame's bytes, x_memcpy = CPU per frame over
// that, peak_MB = the process's peak resident size so far (getrusage).
//
// SDL's offscreen driver (the default here) offers only 1024 x 768; other
// sizes are skipped unless the display offers them: scripts/bench.sh runs each
// size under an X server of that size.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/dxclock.h"
#include "pixel/scene_rig.h"
#include "platform/fake/fake_timer.h"
#include "platform/pixel_format.h"
#include "platform/posix/thread_timer.h"
#include "platform/sdl/sdl_surface.h"

namespace velmo {
namespace {

const bool kDrivers = [] {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  return true;
}();

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

size_t FrameBytes(int w, int h, int bits) { return static_cast<size_t>(w) * h * BytesPerPixel(bits); }

// Microseconds of one memcpy of a frame, the best of a few.
double MemcpyMicroseconds(size_t bytes) {
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes, 0);
  double best = 1e12;
  for (int i = 0; i < 20; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
    best = std::min(best, std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

SceneOptions Options(const benchmark::State& state) {
  SceneOptions options;
  options.width = static_cast<int>(state.range(0));
  options.height = static_cast<int>(state.range(1));
  options.bits = static_cast<int>(state.range(2));
  return options;
}

void Counters(benchmark::State& state, double perFrameMicroseconds) {
  const double copy = MemcpyMicroseconds(FrameBytes(Options(state).width, Options(state).height, Options(state).bits));
  state.counters["memcpy_us"] = copy;
  state.counters["x_memcpy"] = perFrameMicroseconds / copy;
  state.counters["peak_MB"] = PeakMegabytes();
}

double CpuMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

// Starts the scene, or marks the benchmark skipped with the display's reason.
bool Started(SceneRig& rig, benchmark::State& state) {
  if (rig.Start()) return true;
  state.SkipWithError(("the display refused the mode: " + rig.Refusal()).c_str());
  return false;
}

void BM_ComposeFrame(benchmark::State& state) {
  auto timer = MakeThreadTimerService();
  SceneRig rig(*timer, Options(state));
  if (!Started(rig, state)) return;
  for (int i = 0; i < 5; ++i) rig.Compose();
  const double cpu0 = CpuMicroseconds();
  for (auto _ : state) rig.Compose();
  const double perFrame = (CpuMicroseconds() - cpu0) / static_cast<double>(state.iterations());
  Counters(state, perFrame);
}

// Everything ComposeFrame does before its flip, in the same order.
void BM_DrawLayers(benchmark::State& state) {
  FakeTimerService timer;
  SceneRig rig(timer, Options(state));
  if (!Started(rig, state)) return;
  TForm1& form = *rig.form;
  int seaFrame = 0;
  const double cpu0 = CpuMicroseconds();
  for (auto _ : state) {
    form.DDmain1->ClearBackSurface();
    form.DDbmp1ground->DrawImage();
    form.DDani1sea->SetNumberFrame(seaFrame = (seaFrame + 1) % 32);
    form.DDani1sea->DrawAni();
    form.DDbmp1stone->DrawImage();
    for (int i = 0; i < form.Settings.NumBirds; ++i) form.DrawBird(i);
    form.DXClock1->ShowClock();
  }
  Counters(state, (CpuMicroseconds() - cpu0) / static_cast<double>(state.iterations()));
}

// A frame with nothing new on the screen (the timer holds still, the clock
// shows the same second): the idle handler draws nothing and flips nothing,
// so nothing is sent. Counters: flips = frames flipped per call, changed_px =
// pixels that drawing changed on the back buffer over all calls (both 0).
void BM_UnchangedFrame(benchmark::State& state) {
  FakeTimerService timer;
  SceneRig rig(timer, Options(state));
  if (!Started(rig, state)) return;
  TForm1& form = *rig.form;
  form.DXClock1->SetClockSource([] { return ClockTime{10, 8, 0}; });
  for (int i = 0; i < 3; ++i) rig.Compose();  // the whole first frame, then the clock's second
  auto* back = dynamic_cast<SdlSurface*>(form.DDmain1->GetFpDDSBack());
  if (!back) {
    state.SkipWithError("not the SDL display");
    return;
  }
  int64_t flips = 0;
  bool parity = form.FFlipParity;
  for (auto _ : state) {
    rig.Compose();
    flips += form.FFlipParity != parity;
    parity = form.FFlipParity;
  }
  const ChangedArea& changed = back->Changes();
  int64_t pixels = changed.whole ? int64_t{back->Plain()->w} * back->Plain()->h : 0;
  for (int i = 0; i < changed.count && !changed.whole; ++i) pixels += int64_t{changed.rects[i].w} * changed.rects[i].h;
  state.counters["flips"] = static_cast<double>(flips) / static_cast<double>(state.iterations());
  state.counters["changed_px"] = static_cast<double>(pixels);
}

void BM_MemcpyFrame(benchmark::State& state) {
  const size_t bytes = FrameBytes(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                                  static_cast<int>(state.range(2)));
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes, 0);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

// Construction of the scene window and its start-up (settings, display mode,
// first clear and flip, pictures decoded and scaled into sprites, timer) up
// to the first composed frame on screen.
void BM_StartUpToFirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    auto timer = MakeThreadTimerService();
    auto rig = std::make_unique<SceneRig>(*timer, Options(state));
    if (!rig->Start()) {
      state.SkipWithError(("the display refused the mode: " + rig->Refusal()).c_str());
      return;
    }
    rig->Compose();
    state.PauseTiming();
    rig.reset();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = PeakMegabytes();
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (const auto& [w, h] : {std::pair{800, 600}, std::pair{1024, 768}, std::pair{1920, 1080},
                             std::pair{2560, 1440}, std::pair{3840, 2160}}) {
    for (int bits : {16, 24, 32}) b->Args({w, h, bits});
  }
  b->ArgNames({"w", "h", "bits"});
}

BENCHMARK(BM_ComposeFrame)->Apply(Sizes)->Iterations(60)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawLayers)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnchangedFrame)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyFrame)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpToFirstFrame)->Apply(Sizes)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmo
