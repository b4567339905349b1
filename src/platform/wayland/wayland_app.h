#pragma once
// The full-screen saver's application loop on a Wayland compositor, over
// libwayland-client itself: a full-screen surface per output
// (wayland_window.h), input from the seat, frames paced by the compositor's
// frame callbacks. Other run modes and X11 keep the SDL backend.
#include <memory>

#include "platform/window.h"

namespace velmo {

class WaylandConnection;

// The connection, when WAYLAND_DISPLAY names a compositor that offers what
// full-screen surfaces need and a seat; null otherwise (the SDL backend is
// used then). Blocks for a few round trips.
std::unique_ptr<WaylandConnection> OpenWaylandConnection();

// The connection must outlive the application.
std::unique_ptr<IApplication> MakeWaylandApplication(WaylandConnection& connection);

}  // namespace velmo
