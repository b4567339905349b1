#include "platform/wayland/output_layout.h"

#include <algorithm>
#include <tuple>

namespace velmo {

namespace {

void TurnedMode(const OutputFacts& output, int& width, int& height) {
  const bool turned = (output.transform & 1) != 0;
  width = turned ? output.modeH : output.modeW;
  height = turned ? output.modeW : output.modeH;
}

// mutter 43 lays its outputs out in pixels (unless its experimental
// "scale-monitor-framebuffer" is on): xdg-output's logical size is then the
// mode itself at any scale, where a surface at scale 2 is given half of it.
bool LaidOutInPixels(const OutputFacts& output) {
  int w = 0, h = 0;
  TurnedMode(output, w, h);
  return output.scale > 1 && w > 0 && output.logicalW == w && output.logicalH == h;
}

}  // namespace

void OutputPixelSize(const OutputFacts& output, int& width, int& height) {
  const int scale = std::max(output.scale, 1);
  if (output.logicalW > 0 && output.logicalH > 0 && !(output.fractional && output.modeW > 0 && output.modeH > 0) &&
      !LaidOutInPixels(output)) {
    width = output.logicalW * scale;
    height = output.logicalH * scale;
    return;
  }
  TurnedMode(output, width, height);
}

void OutputUnits(const OutputFacts& output, int& width, int& height) {
  if (output.logicalW > 0 && output.logicalH > 0 && !LaidOutInPixels(output)) {
    width = output.logicalW;
    height = output.logicalH;
    return;
  }
  const int scale = std::max(output.scale, 1);
  TurnedMode(output, width, height);
  width /= scale;
  height /= scale;
}

std::vector<MonitorArea> OutputMonitors(const std::vector<OutputFacts>& outputs, std::vector<uint32_t>* ids) {
  std::vector<const OutputFacts*> order;
  for (const OutputFacts& o : outputs) {
    int w = 0, h = 0;
    OutputPixelSize(o, w, h);
    if (w > 0 && h > 0) order.push_back(&o);
  }
  const auto holdsOrigin = [](const OutputFacts* o) {
    const int w = o->logicalW > 0 ? o->logicalW : 1, h = o->logicalH > 0 ? o->logicalH : 1;
    return o->x <= 0 && o->y <= 0 && o->x + w > 0 && o->y + h > 0;
  };
  std::stable_sort(order.begin(), order.end(), [](const OutputFacts* a, const OutputFacts* b) {
    return std::tie(a->x, a->y) < std::tie(b->x, b->y);
  });
  auto primary = std::find_if(order.begin(), order.end(), holdsOrigin);
  if (primary == order.end()) {
    primary = std::min_element(order.begin(), order.end(), [](const OutputFacts* a, const OutputFacts* b) {
      return std::tie(a->y, a->x) < std::tie(b->y, b->x);
    });
  }
  if (primary != order.end()) std::rotate(order.begin(), primary, primary + 1);
  std::vector<MonitorArea> monitors;
  if (ids) ids->clear();
  for (const OutputFacts* o : order) {
    int w = 0, h = 0;
    OutputPixelSize(*o, w, h);
    monitors.push_back(MonitorArea{Rect{o->x, o->y, o->x + w, o->y + h}, monitors.empty()});
    if (ids) ids->push_back(o->id);
  }
  return monitors;
}

int FractionalPixels(int units, int fraction120) { return (units * fraction120 + 60) / 120; }

SurfaceScaling ScalingFor(int frameW, int frameH, int surfaceW, int surfaceH, int outputScale, int fraction120,
                          bool viewporter) {
  SurfaceScaling s;
  const int whole = std::max(outputScale, 1);
  if (surfaceW <= 0 || surfaceH <= 0) {
    // No size given yet: the frame is taken to be the output's pixels.
    s.bufferScale = whole;
    s.pixelsPerUnitX = s.pixelsPerUnitY = whole;
    return s;
  }
  if (!(viewporter && fraction120 > 0) && frameW == surfaceW * whole && frameH == surfaceH * whole) {
    s.bufferScale = whole;
    s.pixelsPerUnitX = s.pixelsPerUnitY = whole;
    return s;
  }
  if (!viewporter) return s;  // shown as it is, from the top-left
  s.viewportW = surfaceW;
  s.viewportH = surfaceH;
  s.pixelsPerUnitX = static_cast<double>(frameW) / surfaceW;
  s.pixelsPerUnitY = static_cast<double>(frameH) / surfaceH;
  return s;
}

}  // namespace velmo
