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
#include "platform/x11/x11_mode_switch.h"

namespace velmo {

class SdlSurface;
class SdlGammaControl;

class SdlDirectDraw final : public IDirectDraw7 {
 public:
  // sdlVideo false: frames go to windows that take them themselves
  // (frame_sink.h) and SDL's video is never started.
  explicit SdlDirectDraw(int display, bool sdlVideo = true);
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

  // For the surfaces and the gamma control.
  void Forget(SdlSurface* surface);
  void Forget(SdlGammaControl* control);
  // Shows what changed in frame (the back buffer); the loop then waits for the refresh.
  // False when the window cannot show anything (said on standard error).
  bool Present(SdlSurface& frame);
  HRESULT ReadRamp(DDGAMMARAMP* ramp);
  HRESULT WriteRamp(const DDGAMMARAMP& ramp);
  SdlGammaControl* MakeGammaControl();

 private:
  static int WatchEvents(void* self, SDL_Event* event);
  SDL_Window* Window() const;
  uint32_t SurfaceBits() const;

  uint32_t refs_ = 1;
  bool videoUp_ = false;
  int display_;
  uint32_t windowId_ = 0;
  uint32_t sinkId_ = 0;  // a window that takes frames itself (frame_sink.h)
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
