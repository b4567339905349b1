#pragma once
// A program started as a child process (posix_spawn: no copy of the parent's
// threads or memory), watched through a pidfd that becomes readable when it
// ends, so the parent waits for it in poll beside its other descriptors.
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/unique_fd.h"

namespace velmo {

class ChildProcess {
 public:
  // Starts program with args (args[0] is its name) and the parent's
  // environment plus extraEnv ("NAME=value"), with no signal blocked or
  // ignored. Null with why when it cannot start. Costs a spawn; the caller's
  // thread.
  static std::unique_ptr<ChildProcess> Spawn(const std::string& program, const std::vector<std::string>& args,
                                             const std::vector<std::string>& extraEnv, std::string* why);
  ~ChildProcess();  // reaps it if it has ended; a running child is left running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // Readable (POLLIN) once it has ended.
  int Fd() const { return pidfd_.get(); }
  // SIGTERM: the saver ends in order, with code 0.
  void Terminate() const;
  // Collects it when it has ended, without blocking: true with its exit
  // code (128 + the signal when a signal ended it).
  bool Reap(int* code);

 private:
  ChildProcess(pid_t pid, int pidfd) : pid_(pid), pidfd_(pidfd) {}
  pid_t pid_;
  UniqueFd pidfd_;
  bool reaped_ = false;
};

// This program's own file (/proc/self/exe), to start it again.
std::string OwnProgram();

}  // namespace velmo
