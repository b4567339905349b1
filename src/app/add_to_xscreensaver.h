// SPDX-License-Identifier: MIT
#pragma once
// velmo --add-to-xscreensaver: Velmo added to the programs: list of the
// user's ~/.xscreensaver, the rest of the file kept byte for byte.
#include <cstdio>
#include <string>

namespace velmo {

// The entry added: the daemon runs it with XSCREENSAVER_WINDOW set.
inline constexpr const char* kXScreenSaverEntry = "velmo --root";

// ~/.xscreensaver: under $HOME, or the password database's home without it.
std::string XScreenSaverFile();

// Adds kXScreenSaverEntry to the list of the file at path, replacing the
// file in one piece (same mode, same place behind a link), and says on out
// what it did; does nothing but say so when Velmo is listed already. Says
// on err why it cannot (no file yet: xscreensaver-settings writes it; no
// list in it; unreadable or unwritable). Returns the exit code: 0 when
// Velmo is listed afterwards, 2 otherwise.
int AddToXScreenSaver(const std::string& path, std::FILE* out, std::FILE* err);

}  // namespace velmo
