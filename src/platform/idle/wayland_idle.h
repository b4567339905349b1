#pragma once
// The compositor's own idle notification: ext-idle-notify (the standard
// one: KWin 5.27, sway 1.8 and later), else KDE's org_kde_kwin_idle (sway
// 1.7, older KWin). Either honours the applications' Wayland idle
// inhibitors itself. A connection of its own, kept open for the watcher's life.
#include <memory>
#include <string>

#include "platform/idle.h"

namespace velmo {

// Connects to WAYLAND_DISPLAY and binds the first of the two protocols the
// compositor offers, with its first seat. Null with why (one line, no
// program name) when there is no compositor or it offers neither. Blocks for
// two round trips. The watcher's thread.
std::unique_ptr<IIdleSource> OpenWaylandIdleSource(std::string* why);

}  // namespace velmo
