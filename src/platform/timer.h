#pragma once
// Periodic timer calling back on its own thread, and the millisecond counter.
#include <cstdint>

namespace velmo {

constexpr uint32_t TIME_ONESHOT = 0x0;
constexpr uint32_t TIME_PERIODIC = 0x1;

using TimerCallback = void (*)(uint32_t timerId, uint32_t message, uintptr_t user, uintptr_t reserved1,
                               uintptr_t reserved2);

class ITimerService {
 public:
  virtual ~ITimerService() = default;
  // 0 when no timer could be made.
  virtual uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimerCallback callback, uintptr_t user,
                                uint32_t flags) = 0;
  // Returns only when no callback of that timer runs any more; safe to call
  // from inside its own callback.
  virtual uint32_t timeKillEvent(uint32_t timerId) = 0;
  // Milliseconds, wrapping at 2^32.
  virtual uint32_t timeGetTime() = 0;
  // Milliseconds that also count the time the machine spent suspended,
  // wrapping at 2^32: for measuring stalls only (a suspended saver stalled).
  virtual uint32_t SuspendCountingTime() = 0;
};

}  // namespace velmo
