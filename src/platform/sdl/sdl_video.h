#pragma once
// Starting SDL's video and events for the saver: the hints the saver's
// windows need, a Wayland compositor SDL would crash on kept away, and a
// clear reason on standard error when no display can be used (a driver that
// only draws into memory counts as none). Main thread, once; blocks while
// SDL connects to the display.
namespace velmo {

// True when video runs; then StopSdlVideo must follow.
bool StartSdlVideo();
void StopSdlVideo();

}  // namespace velmo
