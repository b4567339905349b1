#pragma once
// Work that must not run in a fork of this multi-threaded process (a lock
// another thread held at the fork stays held for ever in the copy: malloc's,
// the sanitizer's, Xlib's) runs in a freshly executed copy of the program
// instead: the program itself, started with an internal first argument that
// names the helper's role. A message box is such a helper.
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace velmo {

// Starts this program again as the helper `role` with `args`: standard
// input and output on /dev/null, standard error too unless keepStderr, no
// descriptor of ours but keepFd (given to the helper as descriptor 3; -1:
// none), every signal in its default state. The helper knows this process
// and ends with it (its role decides: a box does, a watcher may not).
// Returns the helper's process id, or -1. Any thread; costs one
// posix_spawn (a vfork and an exec: about a millisecond, no copy of the
// process).
pid_t SpawnHelper(const std::string& role, const std::vector<std::string>& args, int keepFd = -1,
                  bool keepStderr = false);

// Waits for a helper to end; its exit status, or -1. Blocks the caller.
int WaitHelper(pid_t helper);

// main's first call: when the program was started as a helper, does the
// helper's work and returns its exit code; otherwise nothing.
std::optional<int> RunHelperRole(int argc, char** argv);

}  // namespace velmo
