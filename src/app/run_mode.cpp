// SPDX-License-Identifier: MIT
#include "app/run_mode.h"

#include <cctype>

#include "app/convert.h"

namespace velmo {

bool IsOldForm(const std::string& arg) {
  if (arg.empty() || arg[0] != '-') return true;
  if (arg.size() < 2 || !std::isalpha(static_cast<unsigned char>(arg[1]))) return false;
  if (arg.size() == 2) return arg != "-h";
  return arg[2] == ':';
}

RunMode ChooseRunMode(const std::vector<std::string>& args) {
  if (args.empty() || args[0].size() < 2 || !IsOldForm(args[0])) return RunMode::Saver;
  // The first character is dropped whatever it is (/, - or anything), and
  // only the letter after it counts: "/c:1234" is the settings mode.
  switch (std::toupper(static_cast<unsigned char>(args[0][1]))) {
    case 'P': return RunMode::Preview;
    case 'C': return RunMode::Settings;
    case 'A': return RunMode::Password;
    default: return RunMode::Saver;
  }
}

namespace {

// X window ids are positive; zero or a negative number names no window.
uint32_t WindowIdOf(const std::string& text) {
  int32_t id = 0;
  try {
    id = StrToInt(text);
  } catch (const EConvertError&) {
    id = 0;
  }
  if (id <= 0) throw EConvertError("'" + text + "' is not a valid window id");
  return static_cast<uint32_t>(id);
}

bool AsksForOwnWindow(const std::vector<std::string>& args) {
  for (const std::string& a : args)
    if (a == "-window" || a == "--window") return true;
  return false;
}

}  // namespace

std::optional<HostWindow> ChooseHostWindow(const std::vector<std::string>& args, const char* envValue) {
  bool root = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-window-id" || args[i] == "--window-id") {
      if (i + 1 >= args.size()) throw EConvertError("-window-id needs a window id");
      return HostWindow{false, WindowIdOf(args[i + 1])};
    }
    if (args[i] == "-root" || args[i] == "--root") root = true;
  }
  // Daemons set the variable and may still pass -root: the variable names
  // the window they actually show.
  if (AsksForOwnWindow(args)) envValue = nullptr;
  if (envValue && *envValue) return HostWindow{false, WindowIdOf(envValue)};
  if (root) return HostWindow{true, 0};
  return std::nullopt;
}

bool HostRequested(const std::vector<std::string>& args, const char* envValue) {
  if (ChooseRunMode(args) != RunMode::Saver) return false;
  if (envValue && *envValue && !AsksForOwnWindow(args)) return true;
  for (const std::string& a : args)
    if (a == "-window-id" || a == "--window-id" || a == "-root" || a == "--root") return true;
  return false;
}

}  // namespace velmo
