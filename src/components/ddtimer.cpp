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
  // Measured on the clock that also counts a suspend of the machine: a
  // saver that slept through one has stalled as surely as a frozen one.
  // Unsigned: right across the counter's wrap.
  const uint32_t counting = timer_.SuspendCountingTime();
  const uint32_t elapsed = counting - FLastTickSuspendCounting;
  if (OnTimer) OnTimer(this);
  FLastTickSuspendCounting = counting;
  if (elapsed > kStallMs && OnZasTime) OnZasTime(this);
}

}  // namespace velmo
