// One sprite blit per frame against a plain memcpy of the same bytes: the
// full-width sky opaque, and the keyed rocks, at 1920 x 1080 on the real SDL
// display layer. Needs a display offering 1920 x 1080, e.g.
//   Xvfb :9 -screen 0 1920x1080x24 & DISPLAY=:9 build/bench/velmo_bench
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "components/ddbmp.h"
#include "components/ddmain.h"
#include "platform/sdl/sdl_display.h"
#include "platform/timer.h"
#include "platform/window.h"

namespace velmo {
namespace {

constexpr int kW = 1920, kH = 1080;

class BenchWindow : public IWindow {
 public:
  BenchWindow() { window_ = SDL_CreateWindow("velmo bench", 0, 0, 320, 240, SDL_WINDOW_HIDDEN); }
  ~BenchWindow() override {
    if (window_) SDL_DestroyWindow(window_);
  }
  void SetEvents(WindowEvents) override {}
  void SetCaption(const std::string&) override {}
  void Show() override {}
  void Close() override {}
  bool IsClosed() const override { return false; }
  void* NativeHandle() const override { return window_; }

 private:
  SDL_Window* window_ = nullptr;
};

class NoTimer : public ITimerService {
 public:
  uint32_t timeSetEvent(uint32_t, uint32_t, TimerCallback, uintptr_t, uint32_t) override { return 0; }
  uint32_t timeKillEvent(uint32_t) override { return 0; }
  uint32_t timeGetTime() override { return 0; }
  uint32_t SuspendCountingTime() override { return 0; }
};

struct Scene {
  Scene() {
    driver = MakeSdlDisplayDriver();
    device = std::make_unique<TDDmain>(nullptr, *driver, timer);
    device->SetOwnerWindow(&window);
    device->SetWidth(kW);
    device->SetHeight(kH);
    device->SetColorDepth(32);
    device->SetEnabled(true);
  }
  ~Scene() {
    sprite.reset();
    device->SetEnabled(false);
  }
  bool Open() const { return device->GetFpDDSBack() != nullptr; }

  // A sprite of a w x h picture scaled to the screen width and the given height.
  void MakeSprite(int w, int h, int height, bool keyed) {
    sprite = std::make_unique<TDDbmp>(nullptr);
    sprite->DDmainModule = device.get();
    Bitmap picture = Bitmap::TrueColour(w, h);
    for (int i = 0; i < w * h; ++i) picture.Pixels()[i] = (i % 7 == 0 || i % 5 == 0) ? 0x102030u : 0x5080C0u + i % 64;
    sprite->GetBitmap() = picture;
    sprite->SetStretching(true);
    sprite->SetStretchWidth(kW);
    sprite->SetStretchHeight(height);
    sprite->CreateSurface();
    if (keyed) sprite->SetTransparency(true);
  }

  std::unique_ptr<IDisplayDriver> driver;
  BenchWindow window;
  NoTimer timer;
  std::unique_ptr<TDDmain> device;
  std::unique_ptr<TDDbmp> sprite;
};

void BlitSprite(benchmark::State& state, int sourceHeight, int k, bool keyed, int y) {
  Scene scene;
  if (!scene.Open()) {
    state.SkipWithError("the display offers no 1920 x 1080 mode");
    return;
  }
  const int height = kH * k / 600;
  scene.MakeSprite(800, sourceHeight, height, keyed);
  scene.sprite->SetShowY(y);
  for (auto _ : state) scene.sprite->DrawImage();
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * height * 4);
}

void BM_SkyBlit(benchmark::State& state) { BlitSprite(state, 385, 385, false, 0); }
void BM_KeyedRocksBlit(benchmark::State& state) { BlitSprite(state, 177, 177, true, kH - kH * 177 / 600); }

// The reference: copying the sky's bytes once.
void BM_SkyMemcpy(benchmark::State& state) {
  const size_t bytes = size_t{kW} * (kH * 385 / 600) * 4;
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

BENCHMARK(BM_SkyBlit);
BENCHMARK(BM_KeyedRocksBlit);
BENCHMARK(BM_SkyMemcpy);

}  // namespace
}  // namespace velmo
