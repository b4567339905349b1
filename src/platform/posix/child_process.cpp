#include "platform/posix/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace velmo {

std::unique_ptr<ChildProcess> ChildProcess::Spawn(const std::string& program, const std::vector<std::string>& args,
                                                  const std::vector<std::string>& extraEnv, std::string* why) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e) {
    bool replaced = false;
    for (const std::string& extra : extraEnv) {
      const size_t eq = extra.find('=');
      if (std::strncmp(*e, extra.c_str(), eq + 1) == 0) replaced = true;
    }
    if (!replaced) envp.push_back(*e);
  }
  for (const std::string& extra : extraEnv) envp.push_back(const_cast<char*>(extra.c_str()));
  envp.push_back(nullptr);

  // The watcher blocks its termination signals for its watcher thread; the
  // child starts with none blocked and every one at its default.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int r = posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  if (r != 0) {
    *why = program + " cannot be started: " + std::strerror(r);
    return nullptr;
  }
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (pidfd < 0) {
    *why = std::string("no pidfd for the saver: ") + std::strerror(errno);
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return nullptr;
  }
  return std::unique_ptr<ChildProcess>(new ChildProcess(pid, pidfd));
}

ChildProcess::~ChildProcess() {
  int code = 0;
  Reap(&code);
}

void ChildProcess::Terminate() const {
  if (!reaped_) ::kill(pid_, SIGTERM);
}

bool ChildProcess::Reap(int* code) {
  if (reaped_) return false;
  int status = 0;
  const pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r != pid_) return false;
  reaped_ = true;
  *code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

std::string OwnProgram() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

}  // namespace velmo
