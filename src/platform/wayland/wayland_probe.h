#pragma once
// Asks the Wayland compositor named by WAYLAND_DISPLAY, before any toolkit
// connects to it, whether it answers and whether it offers an input seat:
// SDL 2.26's Wayland driver crashes while starting on a compositor without one.
#include <string>

namespace velmo {

enum class WaylandCompositor {
  kNotNamed,  // WAYLAND_DISPLAY is not set (or a socket was handed over instead)
  kNoAnswer,  // nothing listens there, or it does not speak the protocol
  kNoSeat,    // it answers and offers no wl_seat
  kUsable,
};

// One round trip on the compositor's socket: milliseconds, at most 2 s when
// the compositor hangs. Any thread; reads the environment.
WaylandCompositor ProbeWaylandCompositor();

// True when the linked SDL's Wayland driver crashes without an input seat.
bool SdlNeedsWaylandSeat();

// The compositor's name for messages: WAYLAND_DISPLAY as set, or "".
std::string WaylandDisplayName();

}  // namespace velmo
