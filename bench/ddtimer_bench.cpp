// One tick of the frame timer with every event bound: the work done on the
// timer's thread besides the scene's own handler.
#include <benchmark/benchmark.h>

#include "components/ddtimer.h"

namespace velmo {
namespace {

// A counter that moves 40 ms per reading; no timer thread.
class SteppingClock : public ITimerService {
 public:
  uint32_t timeSetEvent(uint32_t, uint32_t, TimerCallback, uintptr_t, uint32_t) override { return 1; }
  uint32_t timeKillEvent(uint32_t) override { return 0; }
  uint32_t timeGetTime() override { return now_; }
  uint32_t SuspendCountingTime() override { return now_ += 40; }

 private:
  uint32_t now_ = 0;
};

void BM_DDtimerTick(benchmark::State& state) {
  SteppingClock clock;
  TDDtimer timer(nullptr, clock);
  int events = 0;
  auto count = [&events](Component*) { ++events; };
  timer.OnTimer = count;
  timer.OnZasTime = count;
  timer.SetEnabled(true);
  const auto self = reinterpret_cast<uintptr_t>(&timer);
  for (auto _ : state) {
    TDDtimer::TimerProc(1, 0, self, 0, 0);
    benchmark::DoNotOptimize(events);
  }
  timer.SetEnabled(false);
}
BENCHMARK(BM_DDtimerTick);

}  // namespace
}  // namespace velmo
