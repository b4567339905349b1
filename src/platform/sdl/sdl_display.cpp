#include "platform/sdl/sdl_display.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/monitor_layout.h"
#include "platform/sdl/sdl_direct_draw.h"
#include "platform/sdl/sdl_surface.h"
#include "platform/x11/x11_monitors.h"

namespace velmo {
namespace {

class SdlDisplayDriver final : public IDisplayDriver {
 public:
  SdlDisplayDriver() : videoUp_(SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {}
  ~SdlDisplayDriver() override {
    if (videoUp_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  HRESULT DirectDrawCreate(const DeviceGuid* device, IDirectDraw** dd, void* outer) override {
    if (dd == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
    *dd = nullptr;
    if (!videoUp_) return DDERR_GENERIC;
    // The default device only: each window covers its own monitor.
    if (device != nullptr) return DDERR_INVALIDPARAMS;
    auto* made = new (std::nothrow) SdlDirectDraw(0);
    if (!made) return DDERR_OUTOFMEMORY;
    *dd = made;
    return DD_OK;
  }

  DisplayMode DesktopMode() override {
    SDL_DisplayMode mode;
    if (!videoUp_ || SDL_GetDesktopDisplayMode(0, &mode) != 0) return {800, 600, 24};
    return {mode.w, mode.h, static_cast<int>(SDL_BITSPERPIXEL(mode.format))};
  }

  // SDL keeps the monitors it found at start and misses later changes, so
  // X11's are asked directly; other window systems cover the default display.
  std::vector<MonitorArea> Monitors() override {
    if (!X11Video()) return {};
    if (!monitors_) monitors_ = X11Monitors::Open();
    return monitors_ ? DistinctMonitors(monitors_->List()) : std::vector<MonitorArea>{};
  }

  bool MonitorsChanged() override { return monitors_ && monitors_->Changed(); }

 private:
  bool X11Video() const {
    const char* driver = videoUp_ ? SDL_GetCurrentVideoDriver() : nullptr;
    return driver && std::strcmp(driver, "x11") == 0;
  }

  bool videoUp_;
  std::unique_ptr<X11Monitors> monitors_;
};

}  // namespace

std::unique_ptr<IDisplayDriver> MakeSdlDisplayDriver() { return std::make_unique<SdlDisplayDriver>(); }

const SDL_Surface* PresentedFrame(IDirectDrawSurface7* primary) {
  auto* surface = dynamic_cast<SdlSurface*>(primary);
  return surface ? surface->Shown() : nullptr;
}

}  // namespace velmo
