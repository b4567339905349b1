#pragma once
// The X server's idle time, for a session without a compositor's idle
// notification: the SYNC extension's IDLETIME counter with two alarms (one
// for the delay reached, one for the next input), so nothing is polled; and
// MIT-SCREEN-SAVER for the server's own blank (its On and Off) and to tell
// whether another screen saver already serves this display.
#include <memory>
#include <string>

#include "platform/idle.h"

namespace velmo {

// Connects to DISPLAY. Null with why (one line) without a server or its
// IDLETIME counter. Blocks for a few round trips. The watcher's thread.
std::unique_ptr<IIdleSource> OpenX11IdleSource(std::string* why);

// Another screen saver serving DISPLAY: xscreensaver's daemon (its
// _SCREENSAVER_VERSION on the root window), a saver registered with
// MIT-SCREEN-SAVER (_SCREEN_SAVER_ID), or a client that holds the server's
// external saver (XScreenSaverSetAttributes refused). Its name for the one
// line said, empty when none (or no display). Opens and closes a connection
// of its own; blocks for a few round trips.
std::string OtherX11ScreenSaver();

}  // namespace velmo
