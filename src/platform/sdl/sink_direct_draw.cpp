#include "platform/sdl/sink_direct_draw.h"

#include <SDL.h>

#include <algorithm>
#include <new>
#include <vector>

#include "platform/frame_sink.h"
#include "platform/pixel_format.h"
#include "platform/sdl/sdl_gamma_control.h"
#include "platform/sdl/sdl_surface.h"
#include "platform/sdl/surface_host.h"
#include "platform/window.h"

namespace velmo {
namespace {

class SinkDirectDraw final : public IDirectDraw7, public ISurfaceHost {
 public:
  ~SinkDirectDraw() override {
    if (IFrameSink* sink = FrameSinkOf(sinkId_)) sink->ForgetFrame();
    for (SdlSurface* surface : surfaces_) surface->Orphan();
    for (SdlGammaControl* control : gammaControls_) control->Orphan();
  }

  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override {
    if (refs_ == 0) return 0;
    if (--refs_ > 0) return refs_;
    delete this;
    return 0;
  }

  HRESULT QueryDirectDraw7(IDirectDraw7** dd7) override {
    if (dd7 == nullptr) return DDERR_INVALIDPARAMS;
    AddRef();
    *dd7 = this;
    return DD_OK;
  }

  HRESULT GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) override {
    // The ramp is applied by the sink to what it shows.
    for (DDCAPS* caps : {driverCaps, emulationCaps}) {
      if (!caps) continue;
      caps->dwCaps = 0;
      caps->dwCaps2 = DDCAPS2_PRIMARYGAMMA;
    }
    return driverCaps || emulationCaps ? DD_OK : DDERR_INVALIDPARAMS;
  }

  // No list of modes: the window takes what it accepts.
  HRESULT EnumDisplayModes(uint32_t, DDSURFACEDESC2*, void*, EnumModesCallback callback) override {
    return callback == nullptr ? DDERR_INVALIDPARAMS : DDERR_GENERIC;
  }

  HRESULT SetCooperativeLevel(IWindow* window, uint32_t flags) override {
    const bool exclusive = (flags & DDSCL_EXCLUSIVE) && (flags & DDSCL_FULLSCREEN);
    if ((flags & DDSCL_EXCLUSIVE) != 0 && !exclusive) return DDERR_INVALIDPARAMS;
    if (!exclusive && !(flags & DDSCL_NORMAL)) return DDERR_INVALIDPARAMS;
    if (exclusive && window == nullptr) return DDERR_INVALIDPARAMS;
    if (window) {
      auto* sink = dynamic_cast<IFrameSink*>(window);
      sinkId_ = sink ? FrameSinkId(sink) : 0;
      if (sinkId_ == 0) return DDERR_INVALIDPARAMS;
    }
    exclusive_ = exclusive;
    return DD_OK;
  }

  HRESULT SetDisplayMode(uint32_t width, uint32_t height, uint32_t bpp, uint32_t, uint32_t) override {
    if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
    if (!IsSupportedDepth(bpp) || width == 0 || height == 0) return DDERR_INVALIDMODE;
    IFrameSink* sink = FrameSinkOf(sinkId_);
    if (!sink) return DDERR_INVALIDOBJECT;
    if (!sink->AcceptsFrames(static_cast<int>(width), static_cast<int>(height))) return DDERR_INVALIDMODE;
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    bits_ = bpp;
    sink->ForceFullFrame();
    return DD_OK;
  }

  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface, void* outer) override {
    if (desc == nullptr || surface == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    const uint32_t caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
    if (caps & DDSCAPS_PRIMARYSURFACE) {
      if (width_ == 0) return DDERR_NOEXCLUSIVEMODE;
      const bool chain = (caps & DDSCAPS_FLIP) != 0;
      const uint32_t backs = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) ? desc->dwBackBufferCount : 0;
      if (chain && backs != 1) return backs == 0 ? DDERR_INVALIDPARAMS : DDERR_UNSUPPORTED;
      SdlSurface* primary = SdlSurface::Create(this, width_, height_, bits_, caps);
      if (!primary) return DDERR_OUTOFMEMORY;
      surfaces_.push_back(primary);
      if (chain) {
        SdlSurface* back = SdlSurface::Create(this, width_, height_, bits_, DDSCAPS_BACKBUFFER);
        if (!back) {
          primary->Release();
          return DDERR_OUTOFMEMORY;
        }
        surfaces_.push_back(back);
        primary->Attach(back);
        back_ = back;
      }
      if (IFrameSink* sink = FrameSinkOf(sinkId_)) sink->ForceFullFrame();
      *surface = primary;
      return DD_OK;
    }
    if (!(desc->dwFlags & DDSD_WIDTH) || !(desc->dwFlags & DDSD_HEIGHT) || desc->dwWidth == 0 ||
        desc->dwHeight == 0 || desc->dwWidth > 16384 || desc->dwHeight > 16384) {
      return DDERR_INVALIDPARAMS;
    }
    SdlSurface* made = SdlSurface::Create(this, static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight),
                                          bits_ ? bits_ : 24, caps ? caps : DDSCAPS_OFFSCREENPLAIN);
    if (!made) return DDERR_OUTOFMEMORY;
    surfaces_.push_back(made);
    *surface = made;
    return DD_OK;
  }

  HRESULT RestoreAllSurfaces() override {
    if (IFrameSink* sink = FrameSinkOf(sinkId_)) sink->ForceFullFrame();
    return DD_OK;
  }

  // ISurfaceHost
  void Forget(SdlSurface* surface) override {
    if (surface == back_) {
      if (IFrameSink* sink = FrameSinkOf(sinkId_)) sink->ForgetFrame();
      back_ = nullptr;
    }
    std::erase(surfaces_, surface);
  }

  void Forget(SdlGammaControl* control) override { std::erase(gammaControls_, control); }

  bool Present(SdlSurface& frame) override {
    IFrameSink* sink = FrameSinkOf(sinkId_);
    const SDL_Surface* plain = frame.Plain();
    const FramePixels pixels{static_cast<const uint8_t*>(plain->pixels), plain->w, plain->h, plain->pitch,
                             static_cast<int>(bits_)};
    const bool shown = !sink || sink->PresentFrame(pixels, frame.Changes());  // a window gone says so itself
    frame.ForgetChanges();
    return shown;
  }

  HRESULT ReadRamp(DDGAMMARAMP* ramp) override {
    if (rampSet_) {
      *ramp = ramp_;
      return DD_OK;
    }
    for (int i = 0; i < 256; ++i) ramp->red[i] = ramp->green[i] = ramp->blue[i] = static_cast<uint16_t>(i * 257);
    return DD_OK;
  }

  HRESULT WriteRamp(const DDGAMMARAMP& ramp) override {
    IFrameSink* sink = FrameSinkOf(sinkId_);
    if (!sink) return DDERR_INVALIDOBJECT;
    ramp_ = ramp;
    rampSet_ = true;
    sink->SetFrameRamp(&ramp);
    return DD_OK;
  }

  SdlGammaControl* MakeGammaControl() override {
    auto* control = new (std::nothrow) SdlGammaControl(this);
    if (control) gammaControls_.push_back(control);
    return control;
  }

 private:
  uint32_t refs_ = 1;
  uint32_t sinkId_ = 0;
  bool exclusive_ = false;
  int width_ = 0, height_ = 0;
  uint32_t bits_ = 0;
  std::vector<SdlSurface*> surfaces_;
  SdlSurface* back_ = nullptr;
  std::vector<SdlGammaControl*> gammaControls_;
  DDGAMMARAMP ramp_{};
  bool rampSet_ = false;
};

}  // namespace

IDirectDraw7* MakeSinkDirectDraw() { return new (std::nothrow) SinkDirectDraw(); }

}  // namespace velmo
