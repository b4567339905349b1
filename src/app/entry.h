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

struct RunModes {
  // The saver: full screen, in a daemon's window or in one of its own.
  std::function<void(const TSaverOptions& options)> saver;
  std::function<void()> settings;
  std::function<void(const std::string& windowArg)> preview;
  std::function<void(const std::string& parentArg)> password;
  // The framework's standard exception box.
  std::function<void(const std::string& text)> showException;
};

// args are the arguments after the program name; hostEnv is the value of
// XSCREENSAVER_WINDOW (null when unset). The usage, the version and a
// mistyped option are written to standard output or error before any mode
// runs. Returns the exit code: 1 for a mistyped option, otherwise 0, also
// after an error was shown.
int RunEntry(const std::vector<std::string>& args, const RunModes& modes, const char* hostEnv = nullptr);

}  // namespace velmo
