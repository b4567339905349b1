#pragma once
// The DirectDraw-like object of the SDL display service: it takes the
// window into full screen (or covers its monitor's area, or uses a daemon's
// window as it stands), makes the surfaces and presents the back buffer.
#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "platform/display.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/sdl/surface_host.h"
#include "platform/x11/x11_mode_switch.h"

namespace velmo {

class SdlSurface;
class SdlGammaControl;

class SdlDirectDraw final : public IDirectDraw7, public ISurfaceHost {
 public:
  explicit SdlDirectDraw(int display);
  ~SdlDirectDraw() override;

  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override;
  HRESULT QueryDirectDraw7(IDirectDraw7** dd7) override;
  HRESULT GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) override;
  HRESULT EnumDisplayModes(uint32_t flags, DDSURFACEDESC2* match, void* context,
                           EnumModesCallback callback) override;
  HRESULT SetCooperativeLevel(IWindow* window, uint32_t flags) override;
  HRESULT SetDisplayMode(uint32_t width, uint32_t height, uint32_t bpp, uint32_t refreshRate,
                         uint32_t flags) override;
  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface, void* outer) override;
  HRESULT RestoreAllSurfaces() override;

  // ISurfaceHost
  void Forget(SdlSurface* surface) override;
  void Forget(SdlGammaControl* control) override;
  bool Present(SdlSurface& frame) override;
  HRESULT ReadRamp(DDGAMMARAMP* ramp) override;
  HRESULT WriteRamp(const DDGAMMARAMP& ramp) override;
  SdlGammaControl* MakeGammaControl() override;

 private:
  static int WatchEvents(void* self, SDL_Event* event);
  SDL_Window* Window() const;
  uint32_t SurfaceBits() const;

  uint32_t refs_ = 1;
  bool videoUp_ = false;
  int display_;
  uint32_t windowId_ = 0;
  bool exclusive_ = false;
  bool fullScreen_ = false;  // this object took the window into full screen
  bool foreign_ = false;     // a daemon's window or a resizable one: its size, no mode change
  bool covers_ = false;      // a window made for one monitor's area (coverArea_)
  SDL_Rect coverArea_{};
  int width_ = 0, height_ = 0;
  uint32_t bits_ = 0;
  std::vector<SdlSurface*> surfaces_;
  SdlSurface* back_ = nullptr;  // the flipping chain's back buffer, one of surfaces_
  std::vector<SdlGammaControl*> gammaControls_;
  SdlPresenter presenter_;
  DDGAMMARAMP ramp_;  // the ramp the presenter applies, once one was written
  bool rampSet_ = false;
  X11ModeSwitch modeSwitch_;  // a mode of this object's own, on X11
};

}  // namespace velmo
