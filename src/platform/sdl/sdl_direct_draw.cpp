#include "platform/sdl/sdl_direct_draw.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/pixel_format.h"
#include "platform/sdl/sdl_gamma_control.h"
#include "platform/sdl/sdl_surface.h"
#include "platform/window.h"
#include "platform/x11/x11_cover.h"

namespace velmo {
namespace {

// Video stays up while any user needs it; SDL counts the users.
bool VideoUp() { return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0; }

struct Resolution {
  int w, h, refresh;
};

// Every resolution the display offers, the desktop's among them.
std::vector<Resolution> Resolutions(int display) {
  std::vector<Resolution> list;
  auto add = [&](int w, int h, int refresh) {
    if (w <= 0 || h <= 0) return;
    for (const auto& r : list) {
      if (r.w == w && r.h == h) return;
    }
    list.push_back({w, h, refresh});
  };
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(display, &mode) == 0) add(mode.w, mode.h, mode.refresh_rate);
  const int count = SDL_GetNumDisplayModes(display);
  for (int i = 0; i < count; ++i) {
    if (SDL_GetDisplayMode(display, i, &mode) == 0) add(mode.w, mode.h, mode.refresh_rate);
  }
  return list;
}

}  // namespace

SdlDirectDraw::SdlDirectDraw(int display) : videoUp_(VideoUp()), display_(display) {
  if (videoUp_) SDL_AddEventWatch(&SdlDirectDraw::WatchEvents, this);
}

SdlDirectDraw::~SdlDirectDraw() {
  if (videoUp_) SDL_DelEventWatch(&SdlDirectDraw::WatchEvents, this);
  for (SdlSurface* surface : surfaces_) surface->Orphan();
  for (SdlGammaControl* control : gammaControls_) control->Orphan();
  // The desktop gets its mode back; its ramp was never touched.
  if (SDL_Window* window = videoUp_ ? Window() : nullptr) {
    if (fullScreen_) SDL_SetWindowFullscreen(window, 0);
  }
  modeSwitch_.Disarm();  // after SDL gave the mode back, so the watcher finds nothing to do
  if (videoUp_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

uint32_t SdlDirectDraw::Release() {
  if (refs_ == 0) return 0;
  if (--refs_ > 0) return refs_;
  delete this;
  return 0;
}

int SdlDirectDraw::WatchEvents(void* self, SDL_Event* event) {
  auto* dd = static_cast<SdlDirectDraw*>(self);
  if (event->type != SDL_WINDOWEVENT || event->window.windowID != dd->windowId_ || dd->windowId_ == 0) return 1;
  switch (event->window.event) {
    // The window system dropped or never had the picture: send it whole.
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      // SDL frees the window's image at the next look at it: a back buffer
      // drawn in it takes its pixels into memory of its own first.
      if (dd->back_ && dd->back_->Borrowed()) dd->back_->OwnPixels(true);
      dd->presenter_.ForceFull();
      break;
    default: break;
  }
  return 1;  // the event stays in the queue for the application
}

SDL_Window* SdlDirectDraw::Window() const { return windowId_ ? SDL_GetWindowFromID(windowId_) : nullptr; }

uint32_t SdlDirectDraw::SurfaceBits() const {
  if (bits_) return bits_;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(display_, &mode) == 0 && SDL_BITSPERPIXEL(mode.format) == 16) return 16;
  return 24;
}

HRESULT SdlDirectDraw::QueryDirectDraw7(IDirectDraw7** dd7) {
  if (dd7 == nullptr) return DDERR_INVALIDPARAMS;
  AddRef();
  *dd7 = this;
  return DD_OK;
}

HRESULT SdlDirectDraw::GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) {
  // A ramp can always be applied: by the window system or while presenting.
  for (DDCAPS* caps : {driverCaps, emulationCaps}) {
    if (!caps) continue;
    caps->dwCaps = 0;
    caps->dwCaps2 = DDCAPS2_PRIMARYGAMMA;
  }
  return driverCaps || emulationCaps ? DD_OK : DDERR_INVALIDPARAMS;
}

HRESULT SdlDirectDraw::EnumDisplayModes(uint32_t, DDSURFACEDESC2* match, void* context,
                                        EnumModesCallback callback) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  if (!videoUp_) return DDERR_GENERIC;
  for (const Resolution& r : Resolutions(display_)) {
    for (uint32_t bits : {16u, 24u, 32u}) {
      if (match) {
        if ((match->dwFlags & DDSD_WIDTH) && match->dwWidth != static_cast<uint32_t>(r.w)) continue;
        if ((match->dwFlags & DDSD_HEIGHT) && match->dwHeight != static_cast<uint32_t>(r.h)) continue;
        if ((match->dwFlags & DDSD_PIXELFORMAT) && match->ddpfPixelFormat.dwRGBBitCount != bits) continue;
      }
      DDSURFACEDESC2 desc{};
      desc.dwSize = 124;
      desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
      desc.dwWidth = r.w;
      desc.dwHeight = r.h;
      desc.lPitch = r.w * BytesPerPixel(bits);
      desc.dwRefreshRate = r.refresh;
      desc.ddpfPixelFormat = PixelFormatOf(bits);
      if (callback(&desc, context) == DDENUMRET_CANCEL) return DD_OK;
    }
  }
  return DD_OK;
}

HRESULT SdlDirectDraw::SetCooperativeLevel(IWindow* window, uint32_t flags) {
  const bool exclusive = (flags & DDSCL_EXCLUSIVE) && (flags & DDSCL_FULLSCREEN);
  if ((flags & DDSCL_EXCLUSIVE) != 0 && !exclusive) return DDERR_INVALIDPARAMS;
  if (!exclusive && !(flags & DDSCL_NORMAL)) return DDERR_INVALIDPARAMS;
  if (exclusive && window == nullptr) return DDERR_INVALIDPARAMS;
  if (window) {
    auto* sdlWindow = static_cast<SDL_Window*>(window->NativeHandle());
    if (sdlWindow == nullptr) return DDERR_INVALIDPARAMS;
    const uint32_t id = SDL_GetWindowID(sdlWindow);
    if (id == 0) return DDERR_INVALIDPARAMS;
    windowId_ = id;
    // A daemon's window, or a resizable one of our own: used at its size.
    foreign_ = (SDL_GetWindowFlags(sdlWindow) & (SDL_WINDOW_FOREIGN | SDL_WINDOW_RESIZABLE)) != 0;
    Rect area;
    covers_ = window->GetCoverArea(area);
    if (covers_) coverArea_ = SDL_Rect{area.left, area.top, area.right - area.left, area.bottom - area.top};
  }
  // The X11 shared-memory framebuffer presents changed rectangles far faster
  // than an accelerated renderer that re-uploads the whole frame (the
  // software drivers of the tests have theirs in memory). Other drivers
  // (SDL's Wayland) have no framebuffer of their own: SDL's renderer-backed one is
  // what shows anything there.
  const char* driver = SDL_GetCurrentVideoDriver();
  for (const char* native : {"x11", "offscreen", "dummy"}) {
    if (driver && std::strcmp(driver, native) == 0) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  }
  exclusive_ = exclusive;
  return DD_OK;
}

HRESULT SdlDirectDraw::SetDisplayMode(uint32_t width, uint32_t height, uint32_t bpp, uint32_t refreshRate,
                                      uint32_t) {
  if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
  if (!IsSupportedDepth(bpp) || width == 0 || height == 0) return DDERR_INVALIDMODE;
  SDL_Window* window = Window();
  if (!window) return DDERR_INVALIDOBJECT;
  int refresh = 0;
  if (!foreign_ && covers_ && coverArea_.w == static_cast<int>(width) && coverArea_.h == static_cast<int>(height) &&
      CoverArea(window, coverArea_)) {
    // A monitor's area at its own size: covered as it stands, whatever the
    // primary monitor's modes and whatever SDL knows of the monitors (it
    // keeps those it found at start).
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(display_, &desktop) == 0) refresh = desktop.refresh_rate;
  } else if (!foreign_) {
    SDL_DisplayMode desktop{};
    SDL_GetDesktopDisplayMode(display_, &desktop);
    const auto list = Resolutions(display_);
    auto found = std::find_if(list.begin(), list.end(), [&](const Resolution& r) {
      return r.w == static_cast<int>(width) && r.h == static_cast<int>(height);
    });
    if (found == list.end()) return DDERR_INVALIDMODE;
    refresh = refreshRate ? static_cast<int>(refreshRate) : found->refresh;
    int rc;
    bool switched = false;  // the mode was changed, not only the window made full screen
    if (desktop.w == static_cast<int>(width) && desktop.h == static_cast<int>(height)) {
      SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(display_),
                            SDL_WINDOWPOS_CENTERED_DISPLAY(display_));
      rc = SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
      SDL_DisplayMode wanted{};
      wanted.w = static_cast<int>(width);
      wanted.h = static_cast<int>(height);
      wanted.refresh_rate = refresh;
      SDL_DisplayMode closest;
      if (!SDL_GetClosestDisplayMode(display_, &wanted, &closest) || closest.w != wanted.w || closest.h != wanted.h) {
        return DDERR_INVALIDMODE;
      }
      SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(display_),
                            SDL_WINDOWPOS_CENTERED_DISPLAY(display_));
      // Should this process die without giving the mode back, a watcher does.
      modeSwitch_.Before(window, wanted.w, wanted.h);
      rc = SDL_SetWindowDisplayMode(window, &closest);
      if (rc == 0) rc = SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
      switched = true;
    }
    if (rc != 0) {
      modeSwitch_.Disarm();
      return DDERR_UNSUPPORTEDMODE;
    }
    fullScreen_ = SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN;
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    SDL_Rect bounds;
    if (!fullScreen_) {
      // Covered by hand above.
    } else if (SDL_GetDisplayBounds(display_, &bounds) == 0) {
      bounds.w = static_cast<int>(width);
      bounds.h = static_cast<int>(height);
      CoverDisplayWithoutWindowManager(window, bounds);
    }
    if (switched) modeSwitch_.After();
  } else {
    // A window that another program made and shows (a screen-saver
    // daemon's), or a normal window the user sizes: it is used as it stands, at its own size, and the display
    // keeps its mode. Losing the focus never loses its surfaces.
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    if (w != static_cast<int>(width) || h != static_cast<int>(height)) return DDERR_INVALIDMODE;
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(display_, &desktop) == 0) refresh = desktop.refresh_rate;
  }
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  bits_ = bpp;
  presenter_.Attach(windowId_, refresh);
  return DD_OK;
}

HRESULT SdlDirectDraw::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface, void* outer) {
  if (desc == nullptr || surface == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  const uint32_t caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
  if (caps & DDSCAPS_PRIMARYSURFACE) {
    if (width_ == 0) return DDERR_NOEXCLUSIVEMODE;  // the primary takes the display mode
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
      // One frame, not two: drawn straight into the window's image where it can be.
      back->Borrow(presenter_.ShareableImage(back->Plain()));
    }
    presenter_.ForceFull();
    *surface = primary;
    return DD_OK;
  }
  if (!(desc->dwFlags & DDSD_WIDTH) || !(desc->dwFlags & DDSD_HEIGHT) || desc->dwWidth == 0 ||
      desc->dwHeight == 0 || desc->dwWidth > 16384 || desc->dwHeight > 16384) {
    return DDERR_INVALIDPARAMS;
  }
  SdlSurface* made = SdlSurface::Create(this, static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight),
                                        SurfaceBits(), caps ? caps : DDSCAPS_OFFSCREENPLAIN);
  if (!made) return DDERR_OUTOFMEMORY;
  surfaces_.push_back(made);
  *surface = made;
  return DD_OK;
}

HRESULT SdlDirectDraw::RestoreAllSurfaces() {
  presenter_.ForceFull();
  return DD_OK;
}

void SdlDirectDraw::Forget(SdlSurface* surface) {
  if (surface == back_) back_ = nullptr;
  surfaces_.erase(std::remove(surfaces_.begin(), surfaces_.end(), surface), surfaces_.end());
}

void SdlDirectDraw::Forget(SdlGammaControl* control) {
  gammaControls_.erase(std::remove(gammaControls_.begin(), gammaControls_.end(), control), gammaControls_.end());
}

bool SdlDirectDraw::Present(SdlSurface& frame) {
  SDL_Surface* image = presenter_.ShareableImage(frame.Plain());
  if (frame.Borrowed() && frame.Plain()->pixels != (image ? image->pixels : nullptr)) {
    // A ramp must now stand between the frame and the image: the frame
    // takes its pixels into memory of its own and goes out whole. (An image
    // that went without the size change that warns of it left nothing to keep.)
    frame.OwnPixels(presenter_.Ramped());
    presenter_.ForceFull();
  }
  const bool shown = presenter_.Present(frame.Plain(), frame.Changes());
  frame.ForgetChanges();
  // Once the image holds the whole frame, the frame is drawn in it.
  if (shown && image && !frame.Borrowed()) frame.Borrow(image);
  if (!shown) {
    const char* why = SDL_GetError();
    std::fprintf(stderr, "velmo: the window has no surface to draw into%s%s\n", *why ? ": " : "", why);
    return false;
  }
  return true;
}

SdlGammaControl* SdlDirectDraw::MakeGammaControl() {
  auto* control = new (std::nothrow) SdlGammaControl(this);
  if (control) gammaControls_.push_back(control);
  return control;
}

HRESULT SdlDirectDraw::ReadRamp(DDGAMMARAMP* ramp) {
  if (rampSet_) {
    *ramp = ramp_;
    return DD_OK;
  }
  for (int i = 0; i < 256; ++i) ramp->red[i] = ramp->green[i] = ramp->blue[i] = static_cast<uint16_t>(i * 257);
  return DD_OK;
}

HRESULT SdlDirectDraw::WriteRamp(const DDGAMMARAMP& ramp) {
  if (!Window()) return DDERR_INVALIDOBJECT;
  // Always applied by our own presenter: the window system's ramp is ignored
  // by today's servers, compositors and screen captures, and a ramp left on
  // the desktop after a crash would keep it dimmed.
  ramp_ = ramp;
  rampSet_ = true;
  presenter_.SetRamp(&ramp);
  return DD_OK;
}

}  // namespace velmo
