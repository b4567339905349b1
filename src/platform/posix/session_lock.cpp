#include "platform/posix/session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velmo {

std::string SessionLockPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string dir = runtime && runtime[0] == '/' ? runtime : "/tmp";
  std::string display;
  if (const char* w = std::getenv("WAYLAND_DISPLAY"); w && *w) display = w;
  else if (const char* x = std::getenv("DISPLAY"); x && *x) display = x;
  for (char& c : display)
    if (c == '/') c = '_';
  std::string name = "velmo-idle-" + display;
  // /tmp is shared: the user's id keeps users apart there.
  // Appended, not "-" + ...: GCC 12 takes that for overlapping copies (-Wrestrict).
  if (dir == "/tmp") name.append("-").append(std::to_string(::getuid()));
  return dir + "/" + name + ".lock";
}

LockResult TakeSessionLock(const std::string& path, UniqueFd* held, std::string* why) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (fd.get() < 0) {
    *why = path + ": " + std::strerror(errno);
    return LockResult::kFailed;
  }
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return LockResult::kHeldByOther;
    *why = path + ": " + std::strerror(errno);
    return LockResult::kFailed;
  }
  held->reset(fd.release());
  return LockResult::kTaken;
}

}  // namespace velmo
