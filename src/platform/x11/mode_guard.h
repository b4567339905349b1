#pragma once
// Gives the desktop its display mode back however the saver ends: a SIGKILL
// or a crash included, where nothing in the saver's own process runs any
// more. A watcher process waits on a pipe whose writing end only the saver
// holds; the saver's end, of any kind, reads as end-of-file. The watcher then
// looks at the screen over an X connection of its own and, when it still
// shows the mode the saver set, puts the desktop's RandR configuration back.
// A mode set by anyone else is left alone. The watcher ends right after.
#include <sys/types.h>

#include <memory>
#include <string>

namespace velmo {

class X11ModeGuard {
 public:
  // Reads the desktop's configuration over a short-lived connection of its
  // own to `displayName`, then starts the watcher: a fresh copy of the
  // program (platform/helper_process.h), never a fork of this threaded one.
  // Null when RandR cannot be read or no process can be made. Main thread,
  // right before switching the display to width x height; costs a few X
  // round trips and a posix_spawn.
  static std::unique_ptr<X11ModeGuard> Arm(const std::string& displayName, int width, int height);

  // Lets the watcher check once more and waits a moment for it to end.
  // Call after the saver gave the mode back.
  ~X11ModeGuard();

  X11ModeGuard(const X11ModeGuard&) = delete;
  X11ModeGuard& operator=(const X11ModeGuard&) = delete;

 private:
  X11ModeGuard(pid_t watcher, int pipe) : watcher_(watcher), pipe_(pipe) {}

  pid_t watcher_;
  int pipe_;  // the writing end; closing it (or dying) wakes the watcher
};

// The watcher's side (its helper role): argv after the role. Returns its
// exit code once the saver is gone and the desktop checked.
int RunModeGuardHelper(int argc, char** argv);

}  // namespace velmo
