// SPDX-License-Identifier: MIT
#pragma once
// Starting Velmo when the computer is idle, as the dialog turns it on and
// off: an XDG autostart entry that runs the saver's idle watcher
// (velmo --idle) with every session, and the watcher started now. The
// watcher follows the settings file itself (the delay, and IdleStart going
// off); the dialog only writes. All of it runs on the dialog's thread and
// blocks on the disk for a few milliseconds; nothing is kept between calls.
#include <string>

namespace velmo {

// ${XDG_CONFIG_HOME:-~/.config}/autostart/velmo.desktop (an XDG_CONFIG_HOME
// that is not absolute is ignored, as the XDG rules say); empty when
// neither it nor HOME is set.
std::string AutostartEntryPath();

// The saver's program as the dialog finds it: beside the dialog (a build
// tree) or where the install layout puts it, as an absolute path; empty
// when there is none.
std::string FindSaverProgram();

// What the entry runs: plain "velmo" where the search path finds this very
// program (an installed package, which may move between prefixes), its
// absolute path otherwise (a build tree); "velmo" when program is empty.
std::string ProgramForExec(const std::string& program);

// The entry's text for a program (a path or "velmo"), quoted as the desktop
// entry rules ask.
std::string AutostartEntryText(const std::string& program);

// Makes the entry hold text (its directory made as needed), replacing it
// whole; nothing is written when it already does. 0, or an errno value with
// the reason in words in *why.
int WriteAutostartEntry(const std::string& path, const std::string& text, std::string* why);

// Removes the entry; a missing one is no fault. 0, or an errno value with
// the reason in words in *why.
int RemoveAutostartEntry(const std::string& path, std::string* why);

// Starts `program --idle` in a session of its own with nothing of the
// dialog's but its environment, and does not wait for it (a watcher already
// running makes it end by itself). False, with the reason in *why, when it
// could not be started.
bool StartIdleWatcher(const std::string& program, std::string* why);

}  // namespace velmo
