#pragma once
// A descriptor that another thread, or the termination watcher, makes
// readable to end a loop's wait in poll (an eventfd): the loops that wait on
// their window system's connection themselves use it beside that connection.
#include "platform/posix/unique_fd.h"

namespace velmo {

class WakeFd {
 public:
  WakeFd();
  // For poll (POLLIN); -1 when the system gave none, and the loop then
  // wakes only on its connection and its deadlines.
  int Fd() const { return fd_.get(); }
  // Makes the descriptor readable until Clear. One write, never blocks;
  // any thread, also where only async-signal-safe calls are allowed.
  void Raise() const;
  // Reads the descriptor empty, without blocking: wakes raised before this
  // are used up, a later one ends the next wait. The waiting thread.
  void Clear() const;

 private:
  UniqueFd fd_;
};

}  // namespace velmo
