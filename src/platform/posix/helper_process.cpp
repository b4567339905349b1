#include "platform/helper_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace velmo {

// The internal first argument; nobody types it.
extern const char kHelperArgument[] = "--velmo-helper";

pid_t SpawnHelper(const std::string& role, const std::vector<std::string>& args, int keepFd, bool keepStderr) {
  std::vector<std::string> words{"velmo", kHelperArgument, role, std::to_string(::getpid())};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t files;
  posix_spawnattr_t attr;
  ::posix_spawn_file_actions_init(&files);
  ::posix_spawnattr_init(&attr);
  ::posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  if (!keepStderr) ::posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  if (keepFd >= 0) ::posix_spawn_file_actions_adddup2(&files, keepFd, 3);
  // Nothing else of ours: an X connection or a sound device held by a
  // helper would outlive the program.
  ::posix_spawn_file_actions_addclosefrom_np(&files, keepFd >= 0 ? 4 : 3);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  ::posix_spawnattr_setsigmask(&attr, &none);
  ::posix_spawnattr_setsigdefault(&attr, &all);
  ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int err = ::posix_spawn(&pid, "/proc/self/exe", &files, &attr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&files);
  ::posix_spawnattr_destroy(&attr);
  return err == 0 ? pid : -1;
}

int WaitHelper(pid_t helper) {
  int status = 0;
  while (::waitpid(helper, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

}  // namespace velmo
