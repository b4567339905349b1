#pragma once
// One watcher per session: an advisory lock (flock) on a file in the user's
// runtime directory named after the display, held for the process's life.
// The kernel drops the lock when the process ends however it ends, so a
// killed watcher never blocks the next; a watcher that ends in order also
// removes the file. It needs no bus.
#include <string>

#include "platform/posix/unique_fd.h"

namespace velmo {

// The lock file for this session: ${XDG_RUNTIME_DIR:-/tmp}/velmo-idle-<display>.lock,
// where the display is WAYLAND_DISPLAY, else DISPLAY (a user may run
// a session on each). Cheap.
std::string SessionLockPath();

enum class LockResult { kTaken, kHeldByOther, kFailed };
class SessionLock;
// Takes the lock without waiting (an open, a flock and two stats); why says
// what failed. A file removed by the watcher before, between this open and
// this flock, is not taken: the lock is taken on the file the path names.
LockResult TakeSessionLock(const std::string& path, SessionLock* held, std::string* why);

// The lock while it is held. Letting it go removes the file first, still
// holding the lock, so that nothing is left behind. Main thread.
class SessionLock {
 public:
  SessionLock() = default;
  ~SessionLock() { Release(); }
  SessionLock(const SessionLock&) = delete;
  SessionLock& operator=(const SessionLock&) = delete;
  bool Held() const { return fd_.get() >= 0; }
  // One unlink and one close; does nothing when not held.
  void Release();

 private:
  friend LockResult TakeSessionLock(const std::string&, SessionLock*, std::string*);
  std::string path_;
  UniqueFd fd_;
};

}  // namespace velmo
