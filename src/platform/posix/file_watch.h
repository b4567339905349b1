#pragma once
// Tells when a file may have changed, without polling: inotify on its
// directory (the store replaces its file whole, by a rename, so a watch on
// the file itself would follow the old one). Where the directory does not
// exist yet, its parent is watched until it appears.
#include <string>

#include "platform/posix/unique_fd.h"

namespace velmo {

class FileWatch {
 public:
  // Cheap; the watcher's thread. A file whose directory and its parent are
  // both missing is not watched (Fd is then -1).
  explicit FileWatch(std::string file);
  int Fd() const { return fd_.get(); }
  // Reads what came without blocking; true when it may concern the file.
  bool Changed();

 private:
  void WatchDirectory();
  std::string file_, dir_, name_, dirName_;
  UniqueFd fd_;
  int watch_ = -1;
  bool watchingParent_ = false;
};

}  // namespace velmo
