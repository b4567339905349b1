#include "platform/wayland/wayland_display.h"

#include <new>

#include "platform/sdl/sink_direct_draw.h"
#include "platform/wayland/wayland_connection.h"

namespace velmo {
namespace {

class WaylandDisplayDriver final : public IDisplayDriver {
 public:
  explicit WaylandDisplayDriver(WaylandConnection& connection) : connection_(connection) {}

  HRESULT DirectDrawCreate(const DeviceGuid* device, IDirectDraw** dd, void* outer) override {
    if (dd == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
    *dd = nullptr;
    // Every output is the default device's: each window names its own.
    if (device != nullptr) return DDERR_INVALIDPARAMS;
    IDirectDraw7* made = MakeSinkDirectDraw();
    if (!made) return DDERR_OUTOFMEMORY;
    *dd = made;
    return DD_OK;
  }

  DisplayMode DesktopMode() override {
    const std::vector<MonitorArea> monitors = connection_.Monitors();
    if (monitors.empty()) return {800, 600, 24};
    const Rect& a = monitors.front().area;
    return {a.right - a.left, a.bottom - a.top, 24};
  }

  std::vector<MonitorArea> Monitors() override { return connection_.Monitors(); }

  bool MonitorsChanged() override { return connection_.TakeOutputsChanged(); }

 private:
  WaylandConnection& connection_;
};

}  // namespace

std::unique_ptr<IDisplayDriver> MakeWaylandDisplayDriver(WaylandConnection& connection) {
  return std::make_unique<WaylandDisplayDriver>(connection);
}

}  // namespace velmo
