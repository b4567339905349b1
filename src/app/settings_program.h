#pragma once
// The settings dialog runs as a program of its own, velmo-setup, so that the
// saver itself never loads the dialog's toolkit (Qt): that keeps a saver
// instance per monitor small. velmo /c becomes it in place.
#include <string>

namespace velmo {

// Where velmo-setup is for a velmo at exe: beside it (a build tree), or at
// installedPath relative to exe's directory (an installed tree, wherever
// its layout put the settings program). Empty when neither is runnable.
std::string FindSettingsProgram(const std::string& exe, const std::string& installedPath);
// The same for another helper program named name (velmo-idle).
std::string FindHelperProgram(const std::string& exe, const std::string& name, const std::string& installedPath);
// This program's own file, from /proc/self/exe; empty when unknown.
std::string ThisProgram();

// Replaces this process with velmo-setup, given argv as it stands. Returns
// only on failure, by throwing std::runtime_error with a message for the user.
[[noreturn]] void RunSettingsProgram(char** argv);

}  // namespace velmo
