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
  bool fractional = false;         // the compositor scales surfaces by fractions (wp_fractional_scale_v1)
};

// The buffer size that fills the output pixel for pixel: where the
// compositor scales by fractions, its mode turned by its transform (its
// real pixels, shown through a viewport); else its logical size times its
// whole scale where the compositor tells the logical size (a buffer of that
// size at that buffer scale), else its mode turned. A logical size that is
// the mode itself at a scale above 1 is in pixels (mutter's default layout),
// and the mode counts.
void OutputPixelSize(const OutputFacts& output, int& width, int& height);

// The output's size in surface units, which a full-screen or anchored
// surface on it is given: its logical size where the compositor tells it
// (in units, not pixels), else its mode turned by its transform over its
// whole scale.
void OutputUnits(const OutputFacts& output, int& width, int& height);

// The monitors to cover: each output once (none dropped, even where its
// pixel area overlaps another's), its area's top-left its place in the
// layout and its size the pixel size above, so a scene is laid out on the
// output's real pixels. The primary first: the output holding the layout's
// origin, else the top-left one; the others from left to right, then top
// to bottom. Outputs of no size are left out. ids[i] is the output of
// monitor i.
std::vector<MonitorArea> OutputMonitors(const std::vector<OutputFacts>& outputs, std::vector<uint32_t>* ids = nullptr);

// How a frame is put on a surface: the buffer scale, the viewport's
// destination (-1: none) and how many frame pixels one surface unit is
// (for the pointer).
struct SurfaceScaling {
  int bufferScale = 1;
  int viewportW = -1, viewportH = -1;
  double pixelsPerUnitX = 1, pixelsPerUnitY = 1;
};

// frame: the frame's pixel size; surface: the size the compositor gave the
// surface in its units (0 while it has given none); outputScale: wl_output's
// whole scale; fraction120: the surface's preferred scale in 120ths from
// wp_fractional_scale_v1 (0: not offered); viewporter: wp_viewporter offered.
// A frame of the surface's size times the whole scale is shown at that
// buffer scale; with fractions, or a frame of a size of its own, the
// viewport stretches the buffer over the surface (pixel for pixel when the
// frame is the surface's size times the fraction); without a viewporter it
// is shown as it is.
SurfaceScaling ScalingFor(int frameW, int frameH, int surfaceW, int surfaceH, int outputScale, int fraction120,
                          bool viewporter);

// The pixel size of a surface of `units` at a scale of fraction120 / 120,
// rounded half away from zero as wp_fractional_scale_v1 asks.
int FractionalPixels(int units, int fraction120);

}  // namespace velmo
