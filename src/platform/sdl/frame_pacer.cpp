#include "platform/sdl/frame_pacer.h"

namespace velmo {
namespace {

using Clock = std::chrono::steady_clock;

struct Pacer {
  bool presented = false;  // this turn showed a frame
  bool vsynced = false;    // and a present waited for the refresh itself
  Clock::duration period = std::chrono::microseconds(16667);
  Clock::time_point next{};
};

Pacer pacer;  // main thread only

}  // namespace

void NoteFramePresented(Clock::duration period, bool vsynced) {
  // With displays of different rates the fastest sets the pace.
  if (!pacer.presented || period < pacer.period) pacer.period = period;
  pacer.presented = true;
  pacer.vsynced = pacer.vsynced || vsynced;
}

Clock::time_point NextFrameTime() {
  if (!pacer.presented) return {};
  pacer.presented = false;
  const Clock::duration period = pacer.period;
  if (pacer.vsynced) {
    pacer.vsynced = false;
    pacer.next = {};
    return {};
  }
  const auto now = Clock::now();
  if (pacer.next <= now) {
    // Late (or the first frame): the next refresh on the grid.
    pacer.next = pacer.next == Clock::time_point{} ? now + period
                                                   : pacer.next + ((now - pacer.next) / period + 1) * period;
  }
  const Clock::time_point at = pacer.next;
  pacer.next += period;
  return at;
}

}  // namespace velmo
