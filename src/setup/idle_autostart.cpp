// SPDX-License-Identifier: MIT
#include "setup/idle_autostart.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/posix/atomic_file.h"

extern char** environ;

// Where the build installs the saver, relative to the dialog's directory.
#ifndef VELMO_SAVER_FROM_SETUPDIR
#define VELMO_SAVER_FROM_SETUPDIR "../../bin/velmo"
#endif

namespace velmo {

namespace {

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool IsProgram(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// An Exec argument as the desktop entry rules read it: quoted when it holds
// a reserved character, with ", `, $ and \ escaped inside the quotes; then,
// since the value is a string, each backslash doubled; % is written %%.
std::string ExecArgument(const std::string& arg) {
  bool plain = !arg.empty();
  for (char c : arg)
    if (std::strchr(" \t\n\"'\\><~|&;$*?#()`", c)) plain = false;
  std::string quoted;
  if (plain) {
    quoted = arg;
  } else {
    quoted = "\"";
    for (char c : arg) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
      quoted += c;
    }
    quoted += '"';
  }
  std::string out;
  for (char c : quoted) {
    if (c == '\\') out += "\\\\";
    else if (c == '%') out += "%%";
    else out += c;
  }
  return out;
}

std::string DirOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string AutostartEntryPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/autostart/velmo.desktop";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.config/autostart/velmo.desktop";
  return {};
}

std::string FindSaverProgram() {
  const std::string self = RealPath("/proc/self/exe");
  if (self.empty()) return {};
  const std::string dir = DirOf(self);
  for (const std::string& candidate : {dir + "/velmo", dir + "/" VELMO_SAVER_FROM_SETUPDIR})
    if (IsProgram(candidate)) return RealPath(candidate);
  return {};
}

std::string ProgramForExec(const std::string& program) {
  if (program.empty()) return "velmo";
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  for (size_t start = 0; start <= dirs.size();) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string dir = dirs.substr(start, end - start);
    start = end + 1;
    if (dir.empty() || dir[0] != '/') continue;
    if (!IsProgram(dir + "/velmo")) continue;
    // The first velmo the search path finds is the one a session runs.
    return RealPath(dir + "/velmo") == program ? "velmo" : program;
  }
  return program;
}

std::string AutostartEntryText(const std::string& program) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Velmo when idle\n"
         "Comment=Starts the Velmo screen saver when the computer is idle\n"
         "Exec=" + ExecArgument(program) + " --idle\n"
         "Icon=velmo\n"
         "Terminal=false\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

int WriteAutostartEntry(const std::string& path, const std::string& text, std::string* why) {
  std::string held;
  if (ReadWholeFile(path, &held) == 0 && held == text) return 0;
  // ~/.config is the user's alone; the autostart directory below it as
  // desktops make it.
  const std::string dir = DirOf(path);
  for (const auto& [d, mode] : {std::pair{DirOf(dir), mode_t{0700}}, std::pair{dir, mode_t{0755}}}) {
    if (::mkdir(d.c_str(), mode) != 0 && errno != EEXIST) {
      const int err = errno;
      if (why) *why = "cannot make " + d + ": " + std::strerror(err);
      return err;
    }
  }
  return WriteFileAtomically(path, text, 0644, why);
}

int RemoveAutostartEntry(const std::string& path, std::string* why) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return 0;
  const int err = errno;
  if (why) *why = "cannot remove " + path + ": " + std::strerror(err);
  return err;
}

bool StartIdleWatcher(const std::string& program, std::string* why) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  // Nothing to read; a session of its own, so that closing the dialog's
  // terminal does not end it; the signals as a new program gets them.
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>("--idle"), nullptr};
  pid_t pid = 0;
  const int err = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (err != 0 && why) *why = "cannot start " + program + " --idle: " + std::strerror(err);
  return err == 0;
}

}  // namespace velmo
