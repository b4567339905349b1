#pragma once
// An idle source the test drives: it records its arms and hands out the
// events pushed to it at the next Dispatch.
#include <deque>
#include <vector>

#include "platform/idle.h"

namespace velmo {

class FakeIdleSource : public IIdleSource {
 public:
  const char* Name() const override { return "fake"; }
  int Fd() const override { return -1; }
  void Arm(uint32_t delayMs) override { arms.push_back(delayMs); }
  bool Dispatch(const std::function<void(IdleEvent)>& onEvent) override {
    while (!pending.empty()) {
      const IdleEvent event = pending.front();
      pending.pop_front();
      onEvent(event);
    }
    return connected;
  }

  std::vector<uint32_t> arms;
  std::deque<IdleEvent> pending;
  bool connected = true;
};

}  // namespace velmo
