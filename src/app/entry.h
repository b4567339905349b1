#pragma once
// The entry point's body: choose the mode, run it inside one exception guard.
#include <functional>
#include <string>
#include <vector>

namespace velmo {

struct RunModes {
  std::function<void()> saver;
  std::function<void()> settings;
  std::function<void(const std::string& windowArg)> preview;
  std::function<void(const std::string& parentArg)> password;
  // The framework's standard exception box.
  std::function<void(const std::string& text)> showException;
};

// args are the arguments after the program name. Returns the exit code: 0,
// also after an error was shown.
int RunEntry(const std::vector<std::string>& args, const RunModes& modes);

}  // namespace velmo
