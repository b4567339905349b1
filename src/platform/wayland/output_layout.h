#pragma once
// Which part of the desktop each Wayland output stands for, in the terms
// the saver's scenes use (IDisplayDriver::Monitors): every output once, the
// primary first. Pure: no connection, testable on its own.
#include <cstdint>
#include <vector>

#include "platform/display.h"

namespace velmo {

// What the compositor said of one output.
struct OutputFacts {
  uint32_t id = 0;                 // the registry's name of the output
  int x = 0, y = 0;                // its place in the compositor's layout (logical units)
  int logicalW = 0, logicalH = 0;  // its size there; 0 when the compositor did not say
  int modeW = 0, modeH = 0;        // its current mode in pixels (before its transform)
  int transform = 0;               // wl_output's transform: odd values turn it a quarter
  int scale = 1;                   // wl_output's whole-number scale
};

// The buffer size that fills the output pixel for pixel: its logical size
// times its scale where the compositor tells the logical size (a buffer of
// that size at that buffer scale), else its mode turned by its transform.
void OutputPixelSize(const OutputFacts& output, int& width, int& height);

// The monitors to cover: each output once (none dropped, even where its
// pixel area overlaps another's), its area's top-left its place in the
// layout and its size the pixel size above, so a scene is laid out on the
// output's real pixels. The primary first: the output holding the layout's
// origin, else the top-left one; the others from left to right, then top
// to bottom. Outputs of no size are left out. ids[i] is the output of
// monitor i.
std::vector<MonitorArea> OutputMonitors(const std::vector<OutputFacts>& outputs, std::vector<uint32_t>* ids = nullptr);

}  // namespace velmo
