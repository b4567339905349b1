#pragma once
// TDDtimer: the periodic frame timer. Every tick raises OnTimer, and a tick
// more than 2000 ms after the one before OnZasTime. The events run on the
// timer's own thread.
#include <atomic>
#include <cstdint>

#include "components/component.h"
#include "platform/timer.h"

namespace velmo {

class TDDtimer : public Component {
 public:
  TDDtimer(Component* owner, ITimerService& timer);
  ~TDDtimer() override;

  bool GetEnabled() const { return FEnabled.load(); }
  // Enabling starts a fresh timer and restarts the stall measure; disabling returns once no tick of this timer runs any more (unless it
  // is called from one of the timer's own events).
  void SetEnabled(bool value);
  int GetInterval() const { return FInterval; }
  // A running timer keeps its period until it is enabled again.
  void SetInterval(int value) { FInterval = value; }

  TNotifyEvent OnTimer;
  TNotifyEvent OnZasTime;

  // The timer service's callback; user is the component.
  static void TimerProc(uint32_t timerId, uint32_t message, uintptr_t user, uintptr_t reserved1,
                        uintptr_t reserved2);

 private:
  void Tick();

  ITimerService& timer_;
  // Written on the main thread and, when an event disables the timer, on the
  // timer's thread; the tick state only by SetEnabled before the timer runs
  // and by the ticks after that. Atomics keep either order well defined.
  std::atomic<bool> FEnabled{false};
  int FInterval = 40;
  std::atomic<uint32_t> FTimerID{0};
  std::atomic<uint32_t> FLastTickSuspendCounting{0};  // the stall measure's clock
  // Ticks still running, so that the destructor outwaits one that stopped
  // its own timer and is finishing its events.
  std::atomic<int> FTicksRunning{0};
};

}  // namespace velmo
