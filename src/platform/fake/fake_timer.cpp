#include "platform/fake/fake_timer.h"

namespace velmo {

uint32_t FakeTimerService::timeSetEvent(uint32_t delay, uint32_t resolution, TimerCallback callback,
                                        uintptr_t user, uint32_t flags) {
  SetEventCall call{delay, resolution, callback, user, flags, 0};
  if (scripted_) {
    call.result = scripted_result_;
    scripted_ = false;
  } else {
    call.result = callback ? next_id_++ : 0;
  }
  if (call.result != 0) timers_[call.result] = call;
  setCalls.push_back(call);
  return call.result;
}

uint32_t FakeTimerService::timeKillEvent(uint32_t timerId) {
  killCalls.push_back(timerId);
  return timers_.erase(timerId) ? 0 : 11;  // MMSYSERR_INVALPARAM for an unknown timer
}

void FakeTimerService::ScriptNextSetEventResult(uint32_t id) {
  scripted_ = true;
  scripted_result_ = id;
}

bool FakeTimerService::Fire(uint32_t id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return false;
  const SetEventCall timer = it->second;
  if (!(timer.flags & TIME_PERIODIC)) timers_.erase(it);
  timer.callback(id, 0, timer.user, 0, 0);
  return true;
}

int FakeTimerService::AdvanceAndFire(uint32_t ms) {
  Advance(ms);
  std::vector<uint32_t> ids;
  for (const auto& [id, timer] : timers_) ids.push_back(id);
  int fired = 0;
  // A callback may kill timers, its own included.
  for (uint32_t id : ids) fired += Fire(id) ? 1 : 0;
  return fired;
}

}  // namespace velmo
