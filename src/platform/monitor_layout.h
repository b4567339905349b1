#pragma once
// Which monitors a full-screen saver must cover, from what the window system
// lists: its outputs may mirror one another or lie inside a larger one.
#include <vector>

#include "platform/display.h"

namespace velmo {

// The monitors to cover, each part of the desktop once: a monitor showing
// the same area as another (a mirror) or lying wholly inside another counts
// once, as the larger one; empty areas are dropped. The primary comes first
// (the one marked, else the one holding the desktop's origin, else the
// top-left one), the others from left to right and top to bottom. Exactly
// one of the result is marked primary, unless the result is empty.
std::vector<MonitorArea> DistinctMonitors(std::vector<MonitorArea> monitors);

}  // namespace velmo
