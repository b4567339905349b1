#pragma once
// The display service: a DirectDraw-like interface (display object, cooperative
// level, display mode, a flipping primary surface with one back buffer,
// offscreen surfaces, colour-filled and colour-keyed blits, lock, loss and
// restore, gamma ramp, capabilities and mode list). Objects are reference
// counted like the platform's: every pointer handed out carries one count that
// its holder gives back with Release(). Surfaces live in system memory: lock,
// blit and fill cost a memory copy of the area and never block. All of it is
// for the main thread (the one that made the display object). Flag arguments
// the real backend does not use are accepted and ignored; each method says
// which it reads.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/gdi.h"
#include "platform/result.h"

namespace velmo {

class IWindow;

// Cooperative level flags.
constexpr uint32_t DDSCL_FULLSCREEN = 0x1;
constexpr uint32_t DDSCL_ALLOWREBOOT = 0x2;
constexpr uint32_t DDSCL_NORMAL = 0x8;
constexpr uint32_t DDSCL_EXCLUSIVE = 0x10;
constexpr uint32_t DDSCL_ALLOWMODEX = 0x40;

// Surface description flags and capabilities.
constexpr uint32_t DDSD_CAPS = 0x1;
constexpr uint32_t DDSD_HEIGHT = 0x2;
constexpr uint32_t DDSD_WIDTH = 0x4;
constexpr uint32_t DDSD_PITCH = 0x8;
constexpr uint32_t DDSD_BACKBUFFERCOUNT = 0x20;
constexpr uint32_t DDSD_PIXELFORMAT = 0x1000;
constexpr uint32_t DDSCAPS_BACKBUFFER = 0x4;
constexpr uint32_t DDSCAPS_COMPLEX = 0x8;
constexpr uint32_t DDSCAPS_FLIP = 0x10;
constexpr uint32_t DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;

// Blits.
constexpr uint32_t DDBLT_COLORFILL = 0x400;
constexpr uint32_t DDBLT_WAIT = 0x1000000;
constexpr uint32_t DDBLTFAST_NOCOLORKEY = 0x0;
constexpr uint32_t DDBLTFAST_SRCCOLORKEY = 0x1;
constexpr uint32_t DDCKEY_SRCBLT = 0x8;
constexpr uint32_t DDFLIP_WAIT = 0x1;

// Capabilities and enumeration.
constexpr uint32_t DDCAPS2_PRIMARYGAMMA = 0x20000;
constexpr uint32_t DDENUMRET_CANCEL = 0;
constexpr uint32_t DDENUMRET_OK = 1;

struct DDPIXELFORMAT {
  uint32_t dwSize = 32;
  uint32_t dwFlags = 0;
  uint32_t dwRGBBitCount = 0;
  uint32_t dwRBitMask = 0;
  uint32_t dwGBitMask = 0;
  uint32_t dwBBitMask = 0;
};

struct DDSCAPS2 {
  uint32_t dwCaps = 0;
  uint32_t dwCaps2 = 0;
  uint32_t dwCaps3 = 0;
  uint32_t dwCaps4 = 0;
};

struct DDSURFACEDESC2 {
  uint32_t dwSize = 0;  // callers set it; not checked
  uint32_t dwFlags = 0;
  uint32_t dwHeight = 0;
  uint32_t dwWidth = 0;
  int32_t lPitch = 0;
  uint32_t dwBackBufferCount = 0;
  uint32_t dwRefreshRate = 0;
  void* lpSurface = nullptr;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS2 ddsCaps;
};

struct DDBLTFX {
  uint32_t dwSize = 0;  // not checked
  uint32_t dwFillColor = 0;
};

struct DDCOLORKEY {
  uint32_t dwColorSpaceLowValue = 0;
  uint32_t dwColorSpaceHighValue = 0;
};

struct DDCAPS {
  uint32_t dwSize = 0;  // not checked
  uint32_t dwCaps = 0;
  uint32_t dwCaps2 = 0;
};

struct DDGAMMARAMP {
  std::array<uint16_t, 256> red{};
  std::array<uint16_t, 256> green{};
  std::array<uint16_t, 256> blue{};
};

// Identifier of a display device; an empty optional is the default device.
struct DeviceGuid {
  uint8_t bytes[16] = {};
  bool operator==(const DeviceGuid&) const = default;
};

class IUnknownLike {
 public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  virtual ~IUnknownLike() = default;
};

class IDirectDrawGammaControl : public IUnknownLike {
 public:
  // flags are ignored. The ramp is applied by the presenter to what it sends,
  // never to the desktop's own gamma.
  virtual HRESULT GetGammaRamp(uint32_t flags, DDGAMMARAMP* ramp) = 0;
  virtual HRESULT SetGammaRamp(uint32_t flags, const DDGAMMARAMP* ramp) = 0;
};

class IDirectDrawSurface7 : public IUnknownLike {
 public:
  virtual HRESULT IsLost() = 0;
  virtual HRESULT Restore() = 0;
  // Shows the back buffer (primary surface only; target null or the back
  // buffer). Sends only the rectangles that drawing changed since the last
  // flip (the whole frame after a new mode, a restore or a new ramp) and
  // keeps the back buffer's pixels: the next frame is drawn over the one
  // shown. It does not wait: the application loop waits once per turn for
  // the next refresh, however many windows flipped in it (a vsynced
  // renderer's present may block until the refresh itself). Costs in
  // proportion to what changed; main thread only. flags are ignored.
  // DDERR_SURFACEBUSY while a device context or lock is out; DDERR_NOFLIPHW
  // when the window system gives the window nothing to draw into.
  virtual HRESULT Flip(IDirectDrawSurface7* target, uint32_t flags) = 0;
  virtual HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** attached) = 0;
  // Reads DDBLT_COLORFILL only (a fill with fx->dwFillColor); otherwise a
  // copy, to the nearest pixel when the sizes differ. DDBLT_WAIT is ignored.
  virtual HRESULT Blt(const Rect* dest, IDirectDrawSurface7* source, const Rect* sourceRect,
                      uint32_t flags, DDBLTFX* fx) = 0;
  // Reads DDBLTFAST_SRCCOLORKEY only. Does not clip: both rectangles must lie
  // inside their surfaces (DDERR_INVALIDRECT otherwise).
  virtual HRESULT BltFast(int32_t x, int32_t y, IDirectDrawSurface7* source, const Rect* sourceRect,
                          uint32_t flags) = 0;
  // Draws source scaled by nearest pixel to a boxW x boxH box, as a picture
  // stretched into a surface of that size would look (box column x shows
  // source column x * sourceWidth / boxW, rows likewise), but only the part
  // `part` of the box (box coordinates), its top-left at (x, y), cut by the
  // clip rectangle; with DDBLTFAST_SRCCOLORKEY the source's key colour is
  // left out. One pass over the drawn pixels (a row that repeats the one
  // above is a copy, of its drawn runs when keyed), on the calling thread,
  // allocates nothing; the source stays small, so a picture shown large costs
  // no large surface.
  virtual HRESULT BltStretched(int32_t x, int32_t y, int32_t boxW, int32_t boxH, IDirectDrawSurface7* source,
                               const Rect& part, uint32_t flags) = 0;
  virtual HRESULT GetDC(IDeviceContext** dc) = 0;
  virtual HRESULT ReleaseDC(IDeviceContext* dc) = 0;
  // The pixels in place (desc->lpSurface, valid until Unlock); flags and
  // event are ignored (a lock never waits).
  virtual HRESULT Lock(const Rect* rect, DDSURFACEDESC2* desc, uint32_t flags, void* event) = 0;
  virtual HRESULT Unlock(const Rect* rect) = 0;
  virtual HRESULT SetColorKey(uint32_t flags, DDCOLORKEY* key) = 0;
  virtual HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) = 0;
  // QueryInterface for the gamma control of a primary surface.
  virtual HRESULT QueryGammaControl(IDirectDrawGammaControl** control) = 0;
  // Blits and fills on this surface touch only this rectangle until the next
  // call (null: the whole surface); what a device context or a lock draws
  // meanwhile counts as a change of this rectangle, and the caller keeps it
  // inside. DDERR_UNSUPPORTED where a flip does not keep the back buffer's
  // pixels, since redrawing only part of a frame needs them.
  virtual HRESULT SetClipRect(const Rect* rect) = 0;
  // From now on the surface is read as a BltStretched source (a picture
  // scaled as drawn): the display may keep its pixels in a smaller form that
  // draws the very same pixels. Any other use later (a lock, a device
  // context, a key, another blit) costs one conversion back, which
  // allocates. drawn is the picture the surface was drawn from at its own
  // size: where it is in planes and the pixels are exactly its colours,
  // the planes are kept instead. Costs a pass or two over the pixels;
  // main thread.
  virtual void KeepForStretching(const Bitmap& drawn) { (void)drawn; }
  // The columns [first, last) of row y that hold every pixel of the row a
  // keyed blit leaves out (the key's); false when the row has none (no key:
  // none). A display that cannot tell answers the whole row. One pass over
  // the row (over its runs where only those are kept); main thread;
  // allocates nothing.
  virtual bool KeyedSpan(int32_t y, int32_t& first, int32_t& last) {
    (void)y;
    first = 0;
    last = INT32_MAX;
    return true;
  }
};

using EnumModesCallback = uint32_t (*)(DDSURFACEDESC2* mode, void* context);

class IDirectDraw7;

// The object DirectDrawCreate makes.
class IDirectDraw : public IUnknownLike {
 public:
  // QueryInterface for IDirectDraw7 (the same object).
  virtual HRESULT QueryDirectDraw7(IDirectDraw7** dd7) = 0;
  virtual HRESULT GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) = 0;
  // flags are ignored.
  virtual HRESULT EnumDisplayModes(uint32_t flags, DDSURFACEDESC2* match, void* context,
                                   EnumModesCallback callback) = 0;
};

class IDirectDraw7 : public IDirectDraw {
 public:
  // Reads DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN (both or neither) and
  // DDSCL_NORMAL; DDSCL_ALLOWREBOOT and DDSCL_ALLOWMODEX are ignored.
  virtual HRESULT SetCooperativeLevel(IWindow* window, uint32_t flags) = 0;
  // Blocks while the window system switches the mode (tens of milliseconds
  // to a second); flags are ignored.
  virtual HRESULT SetDisplayMode(uint32_t width, uint32_t height, uint32_t bpp, uint32_t refreshRate,
                                 uint32_t flags) = 0;
  virtual HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface, void* outer) = 0;
  virtual HRESULT RestoreAllSurfaces() = 0;
};

struct DisplayMode {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  bool operator==(const DisplayMode&) const = default;
};

// One monitor's part of the desktop, in the desktop's pixels.
struct MonitorArea {
  Rect area;
  bool primary = false;
  bool operator==(const MonitorArea&) const = default;
};

// Entry points of the display library and the facts of the desktop.
class IDisplayDriver {
 public:
  virtual ~IDisplayDriver() = default;
  virtual HRESULT DirectDrawCreate(const DeviceGuid* device, IDirectDraw** dd, void* outer) = 0;
  // The desktop's current width, height and bits per pixel.
  virtual DisplayMode DesktopMode() = 0;
  // The monitors the desktop spans, the primary first, each part of the
  // desktop once (see DistinctMonitors). Empty where the window system does
  // not say; the saver then covers the default display only. A round trip
  // to the window system and an allocation: at start and after
  // MonitorsChanged only. Main thread.
  virtual std::vector<MonitorArea> Monitors() { return {}; }
  // True when the monitors may have changed since the last Monitors().
  // Never blocks, allocates nothing: cheap enough for every frame. Main thread.
  virtual bool MonitorsChanged() { return false; }
};

}  // namespace velmo
