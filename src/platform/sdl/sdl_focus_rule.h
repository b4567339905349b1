#pragma once
// The loop's focus-loss rule: a full-screen saver whose windows lose the
// keyboard focus to another program for longer than a frame's grace ends
// (each window's onDeactivate). Main thread, once per loop turn; costs a
// flag look per window and, while SDL says none of ours has the focus, an X
// round trip a few times a grace period at most.
#include <cstdint>
#include <vector>

namespace velmo {

class SdlWindow;

class SdlFocusRule {
 public:
  // windows: ours, the main one first; hosted: a daemon's window, where the
  // daemon owns the focus and the rule does not apply to the system's.
  void Check(const std::vector<SdlWindow*>& windows, bool hosted);

 private:
  uint64_t askedAt_ = 0;  // SDL ticks of the last question to the window system
  bool systemFocus_ = false;  // its answer
};

}  // namespace velmo
