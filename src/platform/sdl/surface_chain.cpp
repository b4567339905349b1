#include "platform/sdl/surface_chain.h"

#include "platform/sdl/sdl_surface.h"

namespace velmo {

HRESULT CreateHostedSurface(ISurfaceHost* host, const SurfaceChainSize& size, const DDSURFACEDESC2* desc,
                            std::vector<SdlSurface*>& surfaces, SdlSurface*& back, IDirectDrawSurface7** surface) {
  if (desc == nullptr || surface == nullptr) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  const uint32_t caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
  if (caps & DDSCAPS_PRIMARYSURFACE) {
    if (size.width == 0) return DDERR_NOEXCLUSIVEMODE;  // the primary takes the display mode
    const bool chain = (caps & DDSCAPS_FLIP) != 0;
    const uint32_t backs = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) ? desc->dwBackBufferCount : 0;
    if (chain && backs != 1) return backs == 0 ? DDERR_INVALIDPARAMS : DDERR_UNSUPPORTED;
    SdlSurface* primary = SdlSurface::Create(host, size.width, size.height, size.bits, caps);
    if (!primary) return DDERR_OUTOFMEMORY;
    surfaces.push_back(primary);
    if (chain) {
      SdlSurface* made = SdlSurface::Create(host, size.width, size.height, size.bits, DDSCAPS_BACKBUFFER);
      if (!made) {
        primary->Release();
        return DDERR_OUTOFMEMORY;
      }
      surfaces.push_back(made);
      primary->Attach(made);
      back = made;
    }
    *surface = primary;
    return DD_OK;
  }
  if (!(desc->dwFlags & DDSD_WIDTH) || !(desc->dwFlags & DDSD_HEIGHT) || desc->dwWidth == 0 ||
      desc->dwHeight == 0 || desc->dwWidth > 16384 || desc->dwHeight > 16384) {
    return DDERR_INVALIDPARAMS;
  }
  SdlSurface* made = SdlSurface::Create(host, static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight),
                                        size.offscreenBits, caps ? caps : DDSCAPS_OFFSCREENPLAIN);
  if (!made) return DDERR_OUTOFMEMORY;
  surfaces.push_back(made);
  *surface = made;
  return DD_OK;
}

}  // namespace velmo
