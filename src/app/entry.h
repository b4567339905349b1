// SPDX-License-Identifier: MIT
#pragma once
// The entry point's body: read the command line, answer what needs no
// display at once, run the chosen mode inside one exception guard.
#include <functional>
#include <string>
#include <vector>

#include "app/run_mode.h"
#include "scene/saver_options.h"

namespace velmo {

// The program's exit codes (velmo(6) lists them).
inline constexpr int kExitDone = 0;     // ended as asked: a key, a click, a signal, the daemon's window gone
inline constexpr int kExitUsage = 1;    // a mistyped option, a missing or malformed window id
inline constexpr int kExitFailed = 2;   // could not start or show: no display, a refused mode, ...

struct RunModes {
  // The saver: full screen, in a daemon's window or in one of its own.
  // False when it could not start or show (it has said why).
  std::function<bool(const TSaverOptions& options)> saver;
  std::function<void()> settings;
  std::function<void(const std::string& windowArg)> preview;
  std::function<void(const std::string& parentArg)> password;
  // The framework's standard exception box.
  std::function<void(const std::string& text)> showException;
  // velmo --idle: the session's watcher; returns its exit code.
  std::function<int(int afterSeconds)> idle;
};

// args are the arguments after the program name; hostEnv is the value of
// XSCREENSAVER_WINDOW (null when unset). The usage, the version and a
// mistyped option are written to standard output or error before any mode
// runs. Returns the exit code: kExitUsage for a mistyped option or a
// malformed window id (EConvertError), kExitFailed after any other error
// reached the guard or the saver could not run, kExitDone otherwise.
int RunEntry(const std::vector<std::string>& args, const RunModes& modes, const char* hostEnv = nullptr);

}  // namespace velmo
