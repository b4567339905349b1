// SPDX-License-Identifier: MIT
#pragma once
// Which of the four things this process does, from its first argument, and
// whether a screen-saver daemon gave the saver a window of its own.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmo {

enum class RunMode { Saver, Settings, Preview, Password };

// Whether an argument has the old screen-saver shape, read by the old rule:
// anything not starting with '-', or a dash and one letter optionally
// followed by a colon and anything (-s, -C, -c:1234); -h is the usage.
bool IsOldForm(const std::string& arg);

// args are the arguments after the program name. A first argument of the
// old shape decides by its second character; options run the saver.
RunMode ChooseRunMode(const std::vector<std::string>& args);

// The window a screen-saver daemon hands the saver: an X window id, or the
// screen's root window (-root).
struct HostWindow {
  bool root = false;
  uint32_t window = 0;  // valid when root is false
  bool operator==(const HostWindow&) const = default;
};

// "-window-id ID" wins, then the XSCREENSAVER_WINDOW value (envValue, null
// when unset; empty counts as unset; not read with "-window", which asks
// for a window of our own), then "-root". Ids are decimal or 0x
// hexadecimal. A missing or malformed id raises EConvertError. Only the
// saver mode is hosted: callers ask for it after ChooseRunMode chose Saver.
std::optional<HostWindow> ChooseHostWindow(const std::vector<std::string>& args, const char* envValue);

// True when a daemon asked for the hosted saver, even with an id that turns
// out malformed: errors then go to the terminal (the daemon's log), since
// nobody could answer a box behind the daemon's window.
bool HostRequested(const std::vector<std::string>& args, const char* envValue);

}  // namespace velmo
