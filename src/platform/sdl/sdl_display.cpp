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

// Device identifiers of SDL displays: a fixed tag, then the display index.
constexpr uint8_t kGuidTag[8] = {'V', 'E', 'L', 'M', 'O', 'D', 'S', 'P'};

DeviceGuid GuidOfDisplay(int index) {
  DeviceGuid guid;
  std::memcpy(guid.bytes, kGuidTag, sizeof kGuidTag);
  guid.bytes[8] = static_cast<uint8_t>(index & 0xFF);
  guid.bytes[9] = static_cast<uint8_t>((index >> 8) & 0xFF);
  return guid;
}

// -1 for an identifier that names no display.
int DisplayOfGuid(const DeviceGuid& guid) {
  if (std::memcmp(guid.bytes, kGuidTag, sizeof kGuidTag) != 0) return -1;
  const int index = guid.bytes[8] | (guid.bytes[9] << 8);
  return index < SDL_GetNumVideoDisplays() ? index : -1;
}



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
    int display = 0;
    if (device) {
      display = DisplayOfGuid(*device);
      if (display < 0) return DDERR_INVALIDPARAMS;
    }
    auto* made = new (std::nothrow) SdlDirectDraw(display);
    if (!made) return DDERR_OUTOFMEMORY;
    *dd = made;
    return DD_OK;
  }

  HRESULT DirectDrawEnumerateEx(EnumDevicesCallback callback, void* context, uint32_t) override {
    if (callback == nullptr) return DDERR_INVALIDPARAMS;
    if (!videoUp_) return E_FAIL;
    if (!callback(nullptr, "Primary Display Driver", "display", context, nullptr)) return DD_OK;
    const int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
      const DeviceGuid guid = GuidOfDisplay(i);
      const char* name = SDL_GetDisplayName(i);
      const std::string driverName = "\\\\.\\DISPLAY" + std::to_string(i + 1);
      if (!callback(&guid, name ? name : driverName.c_str(), driverName.c_str(), context,
                    reinterpret_cast<void*>(static_cast<intptr_t>(i + 1)))) {
        break;
      }
    }
    return DD_OK;
  }

  int MonitorCount() override { return videoUp_ ? std::max(SDL_GetNumVideoDisplays(), 1) : 1; }

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
