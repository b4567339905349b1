#include "components/ddsprite.h"

#include <algorithm>
#include <cstring>

#include "components/ddmain.h"

namespace velmo {

namespace {

constexpr const char* kBlitFailed = "Error FDDBACK->BltFast (BMP)";

// One axis of the cut: the source span [first, last) placed at pos on a
// screen of the given size keeps exactly its part on the screen, so every
// screen column and row (the last ones too, the seam between two monitors)
// is drawn, and nothing is written outside. The same rule holds for rows.
struct AxisCut {
  int64_t first, last, dest;
};

std::optional<AxisCut> ClipAxis(int64_t pos, int64_t first, int64_t last, int64_t screen) {
  const int64_t from = std::max<int64_t>(pos, 0), to = std::min<int64_t>(pos + (last - first), screen);
  if (from >= to) return std::nullopt;  // nothing of it on the screen
  return AxisCut{first + (from - pos), first + (to - pos), from};
}

}  // namespace

std::optional<ClippedBlit> ClipToScreen(int32_t x, int32_t y, const SrcRect& src, int32_t W, int32_t H) {
  // 64-bit so that far-off positions cannot overflow the sums.
  const auto columns = ClipAxis(x, src.left, src.right, W);
  if (!columns) return std::nullopt;
  const auto rows = ClipAxis(y, src.top, src.bottom, H);
  if (!rows) return std::nullopt;
  ClippedBlit out;
  out.source.left = static_cast<int32_t>(columns->first);
  out.source.right = static_cast<int32_t>(columns->last);
  out.source.top = static_cast<int32_t>(rows->first);
  out.source.bottom = static_cast<int32_t>(rows->last);
  out.dx = static_cast<int32_t>(columns->dest);
  out.dy = static_cast<int32_t>(rows->dest);
  return out;
}

uint32_t FirstPixelValue(const void* pixels, uint32_t bitCount) {
  // Only the bytes of the one pixel are read, so a tiny 16-bit surface is
  // never read past its end.
  const uint32_t bytes = bitCount >= 32 ? 4 : (bitCount + 7) / 8;
  uint8_t raw[4] = {};
  std::memcpy(raw, pixels, bytes);
  uint32_t value = raw[0] | (raw[1] << 8) | (raw[2] << 16) | (static_cast<uint32_t>(raw[3]) << 24);
  if (bitCount < 32) value &= (1u << bitCount) - 1u;
  return value;
}

TDDsprite::TDDsprite(Component* owner) : Component(owner), DDErrorReporting(this) {}

void TDDsprite::SetBitmap(const Bitmap* bitmap) {
  if (bitmap) FBitmap = *bitmap;
}

TDDsprite::After TDDsprite::Report(const char* text) {
  const bool handled = static_cast<bool>(OnError);
  if (!ReportError(text)) return After::Freed;
  return handled ? After::HandlerRan : After::GoOn;
}

TDDsprite::After TDDsprite::ReportAndRelease(const char* text, IDirectDrawSurface7*& surface) {
  const bool handled = static_cast<bool>(OnError);
  if (!ReportError(text, [&surface] { ReleaseSurface(surface); })) return After::Freed;
  return handled ? After::HandlerRan : After::GoOn;
}

void TDDsprite::ReleaseSurface(IDirectDrawSurface7*& surface) {
  if (surface) {
    surface->Release();
    surface = nullptr;
  }
}

bool TDDsprite::Connect() {
  if (!DDmainModule) {
    Report("Error connect to DDMAIN");
    return false;
  }
  FDD = DDmainModule->GetFpDD7();
  if (!FDD) {
    Report("Error FDD==NULL");
    return false;
  }
  FDDBACK = DDmainModule->GetFpDDSBack();
  if (!FDDBACK) {
    Report("Error FDDBACK==NULL");
    return false;
  }
  return true;
}

TDDsprite::After TDDsprite::MakeSurface(IDirectDrawSurface7*& slot, int32_t w, int32_t h, const Bitmap& picture,
                                        DrawMode mode, const SurfaceTexts& texts) {
  ReleaseSurface(slot);  // a surface made earlier would otherwise be lost
  if (w <= 0 || h <= 0) {
    // The platform would read a negative size as a huge one.
    FResult = DDERR_INVALIDPARAMS;
    return Report(texts.create);
  }
  DDSURFACEDESC2 desc{};
  desc.dwSize = 124;
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  desc.dwWidth = static_cast<uint32_t>(w);
  desc.dwHeight = static_cast<uint32_t>(h);
  FResult = FDD->CreateSurface(&desc, &slot, nullptr);
  if (FResult != DD_OK) return ReportAndRelease(texts.create, slot);

  IDeviceContext* dc = nullptr;
  FResult = slot->GetDC(&dc);
  if (FResult != DD_OK || !dc) return ReportAndRelease(texts.getDC, slot);
  if (mode == DrawMode::Scaled) {
    dc->StretchDraw(Rect{0, 0, w, h}, picture);
  } else {
    dc->Draw(0, 0, picture);
  }
  slot->ReleaseDC(dc);
  // A picture scaled as drawn is only read from now on: kept small.
  if (FStretching && FScaleOnDraw) slot->KeepForStretching(picture);
  return After::GoOn;
}

uint32_t TDDsprite::DDColorMatch(IDirectDrawSurface7* surface, TColor colour) {
  uint32_t result = CLR_INVALID;
  if (!surface) return result;
  const bool given = colour != CLR_INVALID;
  bool saved = false;
  TColor savedColour = 0;
  IDeviceContext* dc = nullptr;
  if (given && surface->GetDC(&dc) == DD_OK && dc) {
    savedColour = dc->GetPixel(0, 0);
    dc->SetPixel(0, 0, colour);
    surface->ReleaseDC(dc);
    saved = true;
  }

  DDSURFACEDESC2 desc{};
  desc.dwSize = 124;
  HRESULT hr;
  do {
    hr = surface->Lock(nullptr, &desc, 0, nullptr);
  } while (hr == DDERR_WASSTILLDRAWING);
  if (hr == DD_OK) {
    if (desc.lpSurface) result = FirstPixelValue(desc.lpSurface, desc.ddpfPixelFormat.dwRGBBitCount);
    surface->Unlock(nullptr);
  }

  // Put back only what was actually replaced.
  if (saved && surface->GetDC(&dc) == DD_OK && dc) {
    dc->SetPixel(0, 0, savedColour);
    surface->ReleaseDC(dc);
  }
  return result;
}

TDDsprite::After TDDsprite::SetKey(IDirectDrawSurface7* surface, TColor colour, IDirectDrawSurface7*& slot,
                                   const char* keyFailText) {
  if (!surface) return After::GoOn;
  const uint32_t key = DDColorMatch(surface, colour);
  DDCOLORKEY colourKey;
  colourKey.dwColorSpaceLowValue = key;
  colourKey.dwColorSpaceHighValue = key;
  FResult = surface->SetColorKey(DDCKEY_SRCBLT, &colourKey);
  if (FResult != DD_OK) return ReportAndRelease(keyFailText, slot);
  return After::GoOn;
}

void TDDsprite::ClippedBltFast(IDirectDrawSurface7* source, IDirectDrawSurface7*& slot) {
  if (!DDmainModule) {
    Report("Error connect to DDMAIN");
    return;
  }
  if (!FDDBACK) {
    Report("Error FDDBACK==NULL");
    return;
  }
  const auto clip = ClipToScreen(FShowX, FShowY, FSrcRect, DDmainModule->GetWidth(), DDmainModule->GetHeight());
  if (!clip) return;
  if (!source) {
    // An empty frame slot: the platform would refuse the blit.
    FResult = DDERR_INVALIDPARAMS;
    Report(kBlitFailed);
    return;
  }
  const bool scaled = FStretching && FScaleOnDraw;
  do {
    FResult = scaled ? FDDBACK->BltStretched(clip->dx, clip->dy, FStretchWidth, FStretchHeight, source, clip->source,
                                            FBltFlags)
                     : FDDBACK->BltFast(clip->dx, clip->dy, source, &clip->source, FBltFlags);
  } while (FResult == DDERR_WASSTILLDRAWING);
  if (FResult != DD_OK) ReportAndRelease(kBlitFailed, slot);
}

}  // namespace velmo
