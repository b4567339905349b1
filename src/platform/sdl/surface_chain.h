#pragma once
// Making the surfaces a display object hands out, the same for both hosts
// (the SDL window's and a window that takes frames itself): the primary,
// with its back buffer when a flipping chain is asked for, at the display's
// size and depth, or an offscreen surface of the description's size. Main
// thread; allocates the surfaces, which the host lists and owns through
// their reference counts.
#include <cstdint>
#include <vector>

#include "platform/display.h"

namespace velmo {

class ISurfaceHost;
class SdlSurface;

struct SurfaceChainSize {
  int width = 0, height = 0;   // the display's mode; 0 before one is set
  uint32_t bits = 0;           // the primary's depth
  uint32_t offscreenBits = 0;  // the depth offscreen surfaces are made at
};

// Whether desc asks for the primary surface.
inline bool IsPrimaryRequest(const DDSURFACEDESC2& desc) {
  return (desc.dwFlags & DDSD_CAPS) && (desc.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE);
}

// IDirectDraw7::CreateSurface for host: result codes as that call's. Every
// surface made is appended to surfaces; a new back buffer is also put in
// back (left alone otherwise).
HRESULT CreateHostedSurface(ISurfaceHost* host, const SurfaceChainSize& size, const DDSURFACEDESC2* desc,
                            std::vector<SdlSurface*>& surfaces, SdlSurface*& back, IDirectDrawSurface7** surface);

}  // namespace velmo
