#pragma once
// The entry point's body: choose the mode, run it inside one exception guard.
#include <functional>
#include <string>
#include <vector>

#include "app/run_mode.h"

namespace velmo {

struct RunModes {
  std::function<void()> saver;
  std::function<void()> settings;
  std::function<void(const std::string& windowArg)> preview;
  std::function<void(const std::string& parentArg)> password;
  // The framework's standard exception box.
  std::function<void(const std::string& text)> showException;
  // The saver inside a window that a screen-saver daemon gave it.
  std::function<void(const HostWindow& host)> hosted;
};

// args are the arguments after the program name; hostEnv is the value of
// XSCREENSAVER_WINDOW (null when unset). Returns the exit code: 0, also
// after an error was shown.
int RunEntry(const std::vector<std::string>& args, const RunModes& modes, const char* hostEnv = nullptr);

}  // namespace velmo
