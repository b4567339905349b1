#include "app/settings_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

// Where the build installs velmo-setup, relative to the program's own
// directory (CMake computes it from the install layout it was given).
#ifndef VELMO_SETUP_FROM_BINDIR
#define VELMO_SETUP_FROM_BINDIR "../libexec/velmo/velmo-setup"
#endif

namespace velmo {
namespace {

bool Runnable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

}  // namespace

std::string ThisProgram() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

std::string FindHelperProgram(const std::string& exe, const std::string& name, const std::string& installedPath) {
  const size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return {};
  const std::string dir = exe.substr(0, slash);
  for (const std::string& candidate : {dir + "/" + name, dir + "/" + installedPath})
    if (Runnable(candidate)) return candidate;
  return {};
}

std::string FindSettingsProgram(const std::string& exe, const std::string& installedPath) {
  return FindHelperProgram(exe, "velmo-setup", installedPath);
}

void RunSettingsProgram(char** argv) {
  const std::string exe = ThisProgram();
  const std::string program = FindSettingsProgram(exe, VELMO_SETUP_FROM_BINDIR);
  if (program.empty()) {
    // The dialog is a package of its own, which a system without Recommends
    // lacks. Short lines: a message box does not wrap them.
    throw std::runtime_error(
        "The settings dialog velmo-setup is not installed.\n"
        "Install the package velmo-setup from the same place\n"
        "Velmo came from.");
  }
  ::execv(program.c_str(), argv);
  throw std::runtime_error("The settings program " + program + " cannot be started: " + std::strerror(errno));
}

}  // namespace velmo
