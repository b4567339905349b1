#pragma once
// The DirectDraw-like object for a window that takes finished frames itself
// (frame_sink.h), such as a Wayland output's surface: the surfaces are the
// SDL display's own (system memory, drawn by SDL and cairo), and a flip
// hands the sink a plain view of the back buffer and what changed in it.
// There is no mode to switch: a mode is one the window accepts frames of.
// SDL's video is never started. Main thread only.
#include "platform/display.h"

namespace velmo {

// A new object (reference count 1); null without memory.
IDirectDraw7* MakeSinkDirectDraw();

}  // namespace velmo
