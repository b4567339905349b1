#pragma once
// One watcher per session: an advisory lock (flock) on a file in the user's
// runtime directory named after the display, held for the process's life.
// The kernel drops it when the process ends however it ends, so no stale
// lock is left, and it needs no bus.
#include <string>

#include "platform/posix/unique_fd.h"

namespace velmo {

// The lock file for this session: ${XDG_RUNTIME_DIR:-/tmp}/velmo-idle-<display>.lock,
// where the display is WAYLAND_DISPLAY, else DISPLAY (a user may run
// a session on each). Cheap.
std::string SessionLockPath();

enum class LockResult { kTaken, kHeldByOther, kFailed };
// Takes the lock without waiting; the descriptor holds it (close it to give
// it back). why says what failed.
LockResult TakeSessionLock(const std::string& path, UniqueFd* held, std::string* why);

}  // namespace velmo
