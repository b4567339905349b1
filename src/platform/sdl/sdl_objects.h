#pragma once
// The objects of the SDL display service: the DirectDraw-like object that
// owns the window's full screen, its surfaces and the gamma control.
#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/display.h"
#include "platform/sdl/sdl_device_context.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/x11/mode_guard.h"

namespace velmo {

class SdlDirectDraw;

// A surface in system memory. Pixels live in one buffer for the surface's
// life; SDL sees them through a plain header and, once a colour key is set,
// through a second keyed header that SDL may run-length encode.
class SdlSurface final : public IDirectDrawSurface7 {
 public:
  // Null when the memory cannot be had.
  static SdlSurface* Create(SdlDirectDraw* owner, int width, int height, uint32_t bits, uint32_t caps);
  ~SdlSurface() override;

  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override;
  HRESULT IsLost() override;
  HRESULT Restore() override;
  HRESULT Flip(IDirectDrawSurface7* target, uint32_t flags) override;
  HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** attached) override;
  HRESULT Blt(const Rect* dest, IDirectDrawSurface7* source, const Rect* sourceRect, uint32_t flags,
              DDBLTFX* fx) override;
  HRESULT BltStretched(int32_t x, int32_t y, int32_t boxW, int32_t boxH, IDirectDrawSurface7* source,
                       const Rect& part, uint32_t flags) override;
  HRESULT BltFast(int32_t x, int32_t y, IDirectDrawSurface7* source, const Rect* sourceRect,
                  uint32_t flags) override;
  HRESULT GetDC(IDeviceContext** dc) override;
  HRESULT ReleaseDC(IDeviceContext* dc) override;
  HRESULT Lock(const Rect* rect, DDSURFACEDESC2* desc, uint32_t flags, void* event) override;
  HRESULT Unlock(const Rect* rect) override;
  HRESULT SetColorKey(uint32_t flags, DDCOLORKEY* key) override;
  HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) override;
  HRESULT QueryGammaControl(IDirectDrawGammaControl** control) override;
  HRESULT SetClipRect(const Rect* rect) override;

  void Attach(SdlSurface* back) { attached_ = back; }
  // What drawing changed since the last flip presented this surface.
  const ChangedArea& Changes() const { return changes_; }
  void ForgetChanges() { changes_.Clear(); }
  // The frame a flip of this primary shows: its back buffer keeps it whole.
  SDL_Surface* Shown() const { return attached_ ? attached_->plain_ : plain_; }
  void Orphan() { owner_ = nullptr; }
  SDL_Surface* Plain() const { return plain_; }

 private:
  SdlSurface(SdlDirectDraw* owner, int width, int height, uint32_t bits, uint32_t caps);
  // Common refusals of the drawing calls; DD_OK when the surface may be used.
  HRESULT Usable() const;
  void Touch() { keyDirty_ = true; }
  SDL_Surface* BlitSource(bool keyed);
  // Counts r, cut to the clip rectangle, as changed.
  void MarkChanged(const SDL_Rect& r);

  uint32_t refs_ = 1;
  SdlDirectDraw* owner_;
  int width_, height_;
  uint32_t bits_, caps_;
  int pitch_;
  struct FreeMemory {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint8_t, FreeMemory> memory_;
  SDL_Surface* plain_ = nullptr;
  SDL_Surface* keyed_ = nullptr;
  bool keyDirty_ = false;
  std::optional<uint32_t> key_;
  std::unique_ptr<SdlDeviceContext> dc_;
  bool dcOut_ = false;
  int locks_ = 0;
  SdlSurface* attached_ = nullptr;  // the back buffer; this primary holds one count on it
  ChangedArea changes_;
};

class SdlGammaControl final : public IDirectDrawGammaControl {
 public:
  explicit SdlGammaControl(SdlDirectDraw* owner) : owner_(owner) {}
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override;
  HRESULT GetGammaRamp(uint32_t flags, DDGAMMARAMP* ramp) override;
  HRESULT SetGammaRamp(uint32_t flags, const DDGAMMARAMP* ramp) override;
  void Orphan() { owner_ = nullptr; }

 private:
  uint32_t refs_ = 1;
  SdlDirectDraw* owner_;
};

class SdlDirectDraw final : public IDirectDraw7 {
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

  // For the surfaces and the gamma control.
  void Forget(SdlSurface* surface);
  void Forget(SdlGammaControl* control);
  // Shows what changed in frame (the back buffer), then waits for the refresh.
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
  bool exclusive_ = false;
  bool fullScreen_ = false;  // this object took the window into full screen
  bool foreign_ = false;     // a window made by another program: no mode change
  int width_ = 0, height_ = 0;
  uint32_t bits_ = 0;
  std::vector<SdlSurface*> surfaces_;
  std::vector<SdlGammaControl*> gammaControls_;
  SdlPresenter presenter_;
  DDGAMMARAMP ramp_;  // the ramp the presenter applies, once one was written
  bool rampSet_ = false;
  std::unique_ptr<X11ModeGuard> modeGuard_;  // while this object has the display in a mode of its own
  int guardedWidth_ = 0, guardedHeight_ = 0;
};

}  // namespace velmo
