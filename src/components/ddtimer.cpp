#include "components/ddtimer.h"

#include <thread>

namespace velmo {
namespace {

// A tick this long after the one before means the saver has stalled.
constexpr uint32_t kStallMs = 2000;

}  // namespace

TDDtimer::TDDtimer(Component* owner, ITimerService& timer) : Component(owner), timer_(timer) {}

TDDtimer::~TDDtimer() {
  if (FEnabled) SetEnabled(false);
  // Only a tick that disabled its own timer can still be running here.
  while (FTicksRunning.load(std::memory_order_acquire) != 0) std::this_thread::yield();
}

void TDDtimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  if (value) {
    FDivide2Phase = 0;
    FTickCount = 0;
    FTickCounting = true;
    FLastTickTime = timer_.timeGetTime();
    FLastTickSuspendCounting = timer_.SuspendCountingTime();
    // No timer (0) leaves the component enabled and silent.
    FTimerID = timer_.timeSetEvent(static_cast<uint32_t>(FInterval), 0, &TDDtimer::TimerProc,
                                   reinterpret_cast<uintptr_t>(this), TIME_PERIODIC);
  } else if (const uint32_t id = FTimerID; id != 0) {
    timer_.timeKillEvent(id);
  }
}

void TDDtimer::TimerProc(uint32_t, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
  auto* self = reinterpret_cast<TDDtimer*>(user);
  self->FTicksRunning.fetch_add(1, std::memory_order_relaxed);
  self->Tick();
  // The last touch of the component in a tick.
  self->FTicksRunning.fetch_sub(1, std::memory_order_release);
}

void TDDtimer::Tick() {
  const uint32_t now = timer_.timeGetTime();
  // Measured on the clock that also counts a suspend of the machine: a
  // saver that slept through one has stalled as surely as a frozen one.
  // Unsigned: right across the counter's wrap.
  const uint32_t counting = timer_.SuspendCountingTime();
  const uint32_t elapsed = counting - FLastTickSuspendCounting;
  if (OnTimer) OnTimer(this);
  const uint32_t phase = 1 - FDivide2Phase;
  FDivide2Phase = phase;
  if (phase == 1 && OnDivide2) OnDivide2(this);
  if (FTickCounting) {
    const int32_t count = ++FTickCount;
    switch (count) {
      case 5:
        if (On5tick) On5tick(this);
        break;
      case 10:
        if (On10tick) On10tick(this);
        break;
      case 15:
        if (On15tick) On15tick(this);
        break;
      case 20:
        if (On20tick) On20tick(this);
        break;
      case 25:
        if (On25tick) On25tick(this);
        FTickCounting = false;
        break;
      default:
        break;
    }
  }
  FLastTickTime = now;
  FLastTickSuspendCounting = counting;
  if (elapsed > kStallMs && OnZasTime) OnZasTime(this);
}

}  // namespace velmo
