#pragma once
// Which of the four things this process does, from its first argument.
#include <string>
#include <vector>

namespace velmo {

enum class RunMode { Saver, Settings, Preview, Password };

// args are the arguments after the program name.
RunMode ChooseRunMode(const std::vector<std::string>& args);

}  // namespace velmo
