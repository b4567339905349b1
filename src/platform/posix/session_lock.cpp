#include "platform/posix/session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

void SessionLock::Release() {
  if (!Held()) return;
  ::unlink(path_.c_str());
  fd_.reset(-1);
}

LockResult TakeSessionLock(const std::string& path, SessionLock* held, std::string* why) {
  // Another watcher may remove the file as it ends, between this open and
  // this flock: a lock on the removed file keeps no one out, so it is taken
  // again on the file the path names now.
  for (int attempt = 0; attempt < 8; ++attempt) {
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
    struct stat opened{}, named{};
    if (::fstat(fd.get(), &opened) != 0 || ::stat(path.c_str(), &named) != 0 || opened.st_ino != named.st_ino ||
        opened.st_dev != named.st_dev)
      continue;
    held->Release();
    held->path_ = path;
    held->fd_.reset(fd.release());
    return LockResult::kTaken;
  }
  *why = path + ": removed again and again while being locked";
  return LockResult::kFailed;
}

}  // namespace velmo
