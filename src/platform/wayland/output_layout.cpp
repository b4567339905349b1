#include "platform/wayland/output_layout.h"

#include <algorithm>
#include <tuple>

namespace velmo {

void OutputPixelSize(const OutputFacts& output, int& width, int& height) {
  const int scale = std::max(output.scale, 1);
  if (output.logicalW > 0 && output.logicalH > 0) {
    width = output.logicalW * scale;
    height = output.logicalH * scale;
    return;
  }
  const bool turned = (output.transform & 1) != 0;
  width = turned ? output.modeH : output.modeW;
  height = turned ? output.modeW : output.modeH;
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

}  // namespace velmo
