#include "platform/posix/one_shot_timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

namespace velmo {

OneShotTimer::OneShotTimer() : fd_(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {}

void OneShotTimer::Set(uint32_t delayMs) {
  itimerspec when{};
  when.it_value.tv_sec = delayMs / 1000;
  when.it_value.tv_nsec = static_cast<long>(delayMs % 1000) * 1000000L;
  timerfd_settime(fd_.get(), 0, &when, nullptr);
}

bool OneShotTimer::Fired() {
  uint64_t count = 0;
  return ::read(fd_.get(), &count, sizeof count) == sizeof count && count > 0;
}

}  // namespace velmo
