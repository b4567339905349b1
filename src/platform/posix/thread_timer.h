#pragma once
// The timer service on threads: one std::thread per timer, sleeping to
// absolute steady_clock deadlines so the period does not drift.
#include <memory>

#include "platform/timer.h"

namespace velmo {

// timeKillEvent from another thread returns once the timer's callback has
// finished; from inside the callback it only stops the timer, and the
// thread ends when the callback returns. The resolution is not used: the
// thread wakes at each deadline as closely as the system allows. A tick
// that comes more than one period late does not fire the missed ones; the
// next deadline keeps the timer's phase.
std::unique_ptr<ITimerService> MakeThreadTimerService();

}  // namespace velmo
