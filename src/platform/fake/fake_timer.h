#pragma once
// Timer service for tests: a clock set by hand and ticks fired by hand, on
// the test's own thread. Records every timeSetEvent and timeKillEvent.
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/timer.h"

namespace velmo {

class FakeTimerService : public ITimerService {
 public:
  struct SetEventCall {
    uint32_t delay = 0;
    uint32_t resolution = 0;
    TimerCallback callback = nullptr;
    uintptr_t user = 0;
    uint32_t flags = 0;
    uint32_t result = 0;
  };

  std::vector<SetEventCall> setCalls;
  std::vector<uint32_t> killCalls;

  uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimerCallback callback, uintptr_t user,
                        uint32_t flags) override;
  uint32_t timeKillEvent(uint32_t timerId) override;
  uint32_t timeGetTime() override { return now_; }
  uint32_t SuspendCountingTime() override { return now_ + suspended_; }

  // The result of the next timeSetEvent only; 0 makes it fail.
  void ScriptNextSetEventResult(uint32_t id);
  void SetTime(uint32_t ms) { now_ = ms; }
  // Moves the clock on, wrapping at 2^32 like the real counter.
  void Advance(uint32_t ms) { now_ += ms; }
  // The machine sleeps for ms: only the suspend-counting clock moves.
  void Suspend(uint32_t ms) { suspended_ += ms; }

  // Calls the timer's callback once, as its thread would; false when the
  // timer is not running. One-shot timers end after their tick.
  bool Fire(uint32_t id);
  // Moves the clock on by ms, then fires every running timer once.
  int AdvanceAndFire(uint32_t ms);
  bool IsRunning(uint32_t id) const { return timers_.count(id) != 0; }
  size_t RunningCount() const { return timers_.size(); }

 private:
  std::map<uint32_t, SetEventCall> timers_;
  uint32_t now_ = 0;
  uint32_t suspended_ = 0;
  uint32_t next_id_ = 1;
  bool scripted_ = false;
  uint32_t scripted_result_ = 0;
};

}  // namespace velmo
