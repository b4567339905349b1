#pragma once
// One wake-up at a time, as a descriptor for poll (a timerfd on the
// monotonic clock): nothing runs until it is set, and it fires once.
#include <cstdint>

#include "platform/posix/unique_fd.h"

namespace velmo {

class OneShotTimer {
 public:
  OneShotTimer();
  int Fd() const { return fd_.get(); }
  // Fires once after delayMs, replacing any; 0 cancels. Never blocks.
  void Set(uint32_t delayMs);
  // Reads it empty; true when it fired.
  bool Fired();

 private:
  UniqueFd fd_;
};

}  // namespace velmo
