#include "platform/posix/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>

namespace velmo {
namespace {

std::string DirOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}
std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM;

}  // namespace

FileWatch::FileWatch(std::string file)
    : file_(std::move(file)), dir_(DirOf(file_)), name_(NameOf(file_)), dirName_(NameOf(dir_)) {
  if (file_.empty()) return;
  fd_.reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (fd_.get() >= 0) WatchDirectory();
}

void FileWatch::WatchDirectory() {
  if (watch_ >= 0) inotify_rm_watch(fd_.get(), watch_);
  watch_ = inotify_add_watch(fd_.get(), dir_.c_str(), kFileEvents | IN_ONLYDIR);
  watchingParent_ = false;
  if (watch_ < 0) {
    watch_ = inotify_add_watch(fd_.get(), DirOf(dir_).c_str(), IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
    watchingParent_ = watch_ >= 0;
  }
}

bool FileWatch::Changed() {
  if (fd_.get() < 0) return false;
  bool changed = false;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      const char* name = event->len ? event->name : "";
      if (watchingParent_ && dirName_ == name) {
        WatchDirectory();
        changed = true;  // the file may have come with it
      } else if (!watchingParent_ && name_ == name) {
        changed = true;
      }
      if (event->mask & IN_IGNORED) {  // the directory went: watch its parent
        watch_ = -1;
        WatchDirectory();
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return changed;
}

}  // namespace velmo
