#include "components/ddbmp.h"

namespace velmo {

TDDbmp::TDDbmp(Component* owner) : TDDsprite(owner) {}

TDDbmp::~TDDbmp() { ReleaseSurface(FpSurface); }

void TDDbmp::CreateSurface() {
  if (!Connect()) return;
  const bool scaleNow = FStretching && !FScaleOnDraw;
  const int32_t w = scaleNow ? FStretchWidth : FBitmap.Width();
  const int32_t h = scaleNow ? FStretchHeight : FBitmap.Height();
  MakeSurface(FpSurface, w, h, FBitmap, scaleNow ? DrawMode::Scaled : DrawMode::Unscaled,
              {"Error CreateSurfaceBMP", "Error FpSurface->GetDC (BMP)"});
}

void TDDbmp::CloseSurface() { ReleaseSurface(FpSurface); }

bool TDDbmp::HaveSurfaces() {
  if (!FpSurface) {
    Report("Error FpSurface==NULL");
    return false;
  }
  if (!FDDBACK) {
    Report("Error FDDBACK==NULL");
    return false;
  }
  return true;
}

void TDDbmp::SetTransparency(bool on) {
  if (!HaveSurfaces()) return;
  if (on) {
    FBltFlags = DDBLTFAST_SRCCOLORKEY;
    // The switch is set even when the key failed (the surface is then gone),
    // unless the error handler freed the sprite.
    if (SetKey(FpSurface, CLR_INVALID, FpSurface, "Error SetColorKey (BMP)") == After::Freed) return;
    FTransparency = true;
  } else {
    FBltFlags = DDBLTFAST_NOCOLORKEY;
    FTransparency = false;
  }
}

void TDDbmp::DDSetColorKey(IDirectDrawSurface7* surface, TColor colour) {
  SetKey(surface, colour, FpSurface, "Error SetColorKey (BMP)");
}

void TDDbmp::DrawImage() {
  if (!HaveSurfaces()) return;
  FSrcRect.left = 0;
  FSrcRect.top = 0;
  FSrcRect.right = FStretching ? FStretchWidth : FBitmap.Width();
  FSrcRect.bottom = FStretching ? FStretchHeight : FBitmap.Height();
  DrawImageFunc();
}

void TDDbmp::DrawAni() {
  if (!HaveSurfaces()) return;
  // 64-bit products: a frame number far out of range must not overflow.
  const int64_t frame = FNumberFrame;
  int64_t top, right, bottom, limit;
  const char* beyond;
  if (FStretching) {
    const int64_t bitmapHeight = FBitmap.Height();
    // An empty picture has no frames; the division must not be reached.
    const int64_t fh = bitmapHeight > 0 ? static_cast<int64_t>(FYOffsetFrame) * FStretchHeight / bitmapHeight : 0;
    top = frame * fh;
    right = FStretchWidth;
    bottom = top + fh;
    limit = FStretchHeight;
    beyond = "Error FNumberFrame (Ani Stretch)";
    if (bitmapHeight <= 0) bottom = limit + 1;
  } else {
    top = frame * FYOffsetFrame;
    right = FBitmap.Width();
    bottom = top + FYOffsetFrame;
    limit = FBitmap.Height();
    beyond = "Error FNumberFrame (Ani)";
  }
  // A frame before the strip is refused like one after it, instead of
  // letting the blit fail and lose the surface.
  if (bottom > limit || top < 0) {
    Report(beyond);
    return;
  }
  FSrcRect.left = 0;
  FSrcRect.top = static_cast<int32_t>(top);
  FSrcRect.right = static_cast<int32_t>(right);
  FSrcRect.bottom = static_cast<int32_t>(bottom);
  DrawImageFunc();
}

void TDDbmp::DrawImageFunc() {
  if (!HaveSurfaces()) return;
  ClippedBltFast(FpSurface, FpSurface);
}

}  // namespace velmo
