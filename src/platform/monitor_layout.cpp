#include "platform/monitor_layout.h"

#include <algorithm>

namespace velmo {

std::vector<MonitorArea> DistinctMonitors(std::vector<MonitorArea> monitors) {
  std::erase_if(monitors, [](const MonitorArea& m) { return m.area.Empty(); });
  // Larger ones first, so that each monitor is compared with those that may hold it.
  std::stable_sort(monitors.begin(), monitors.end(), [](const MonitorArea& a, const MonitorArea& b) {
    const auto size = [](const Rect& r) { return static_cast<int64_t>(r.Width()) * r.Height(); };
    return size(a.area) > size(b.area);
  });
  std::vector<MonitorArea> distinct;
  for (const MonitorArea& m : monitors) {
    auto holder = std::find_if(distinct.begin(), distinct.end(),
                               [&](const MonitorArea& d) { return d.area.Contains(m.area); });
    if (holder == distinct.end()) distinct.push_back(m);
    else holder->primary = holder->primary || m.primary;  // a mirror of the primary is the primary
  }
  if (distinct.empty()) return distinct;
  std::sort(distinct.begin(), distinct.end(), [](const MonitorArea& a, const MonitorArea& b) {
    return a.area.left != b.area.left ? a.area.left < b.area.left : a.area.top < b.area.top;
  });
  auto primary = std::find_if(distinct.begin(), distinct.end(), [](const MonitorArea& m) { return m.primary; });
  if (primary == distinct.end())
    primary = std::find_if(distinct.begin(), distinct.end(), [](const MonitorArea& m) { return m.area.Holds(0, 0); });
  if (primary == distinct.end()) primary = distinct.begin();
  std::rotate(distinct.begin(), primary, primary + 1);
  for (MonitorArea& m : distinct) m.primary = false;
  distinct.front().primary = true;
  return distinct;
}

}  // namespace velmo
