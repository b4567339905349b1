#include "app/settings_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace velmo {
namespace {

bool Runnable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

std::string ThisProgram() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

}  // namespace

std::string SettingsProgramBeside(const std::string& exe) {
  const size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return {};
  const std::string dir = exe.substr(0, slash);
  for (const std::string& candidate : {dir + "/velmo-setup", dir + "/../libexec/velmo/velmo-setup"})
    if (Runnable(candidate)) return candidate;
  return {};
}

void RunSettingsProgram(char** argv) {
  const std::string exe = ThisProgram();
  const std::string program = SettingsProgramBeside(exe);
  if (program.empty())
    throw std::runtime_error("The settings program velmo-setup is not installed beside " +
                             (exe.empty() ? std::string("velmo") : exe) + ".");
  ::execv(program.c_str(), argv);
  throw std::runtime_error("The settings program " + program + " cannot be started: " + std::strerror(errno));
}

}  // namespace velmo
