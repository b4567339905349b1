#include "components/ddani.h"

namespace velmo {

namespace {
constexpr const char* kKeyFailed = "Error SetColorKey (ANI)";
}

TDDani::TDDani(Component* owner) : TDDsprite(owner) {}

TDDani::~TDDani() { ReleaseAll(); }

void TDDani::ReleaseAll() {
  for (auto& surface : FpSurface) ReleaseSurface(surface);
}

void TDDani::CreateSurface() {
  if (!Connect()) return;
  // Frames made earlier would otherwise be lost, and a shorter strip would
  // leave stale frames behind its last one.
  ReleaseAll();
  FCountFrame = 0;
  if (FYOffsetFrame == 0) {
    Report("Not defined FYOffsetFrame");
    return;
  }
  const int32_t count = FYOffsetFrame > 0 ? FBitmap.Height() / FYOffsetFrame : 0;
  if (count > kMaxFrames) {
    // The sprite is left without frames, so nothing looks beyond the slots.
    Report("TOO match sprites");
    return;
  }
  FCountFrame = count;
  const bool scaleNow = FStretching && !FScaleOnDraw;
  const int32_t w = scaleNow ? FStretchWidth : FBitmap.Width();
  const int32_t h = scaleNow ? FStretchHeight : FYOffsetFrame;
  for (int32_t i = 0; i < FCountFrame; ++i) {
    // A handler may have freed the sprite or closed the display: stop there.
    if (MakeFrame(i, w, h) != After::GoOn) return;
  }
}

void TDDani::Create1Surface(int32_t index, int32_t width, int32_t height) { MakeFrame(index, width, height); }

TDDsprite::After TDDani::MakeFrame(int32_t index, int32_t width, int32_t height) {
  if (index < 0 || index >= kMaxFrames) return After::GoOn;
  if (!FDD) return Report("Error FDD==NULL");
  const Bitmap frame = FBitmap.CopyRows(index * FYOffsetFrame, FYOffsetFrame);
  return MakeSurface(FpSurface[index], width, height, frame, DrawMode::Scaled,
                     {"Error CreateSurfaceANI", "Error FpSurface->GetDC (ANI)"});
}

void TDDani::CloseSurface() { ReleaseAll(); }

void TDDani::SetTransparency(bool on) {
  if (FCountFrame == 0) return;
  if (on) {
    FBltFlags = DDBLTFAST_SRCCOLORKEY;
    for (int32_t i = 0; i < FCountFrame; ++i) {
      // Each frame gets the key of its own top-left pixel.
      const After after = SetKey(FpSurface[i], CLR_INVALID, FpSurface[i], kKeyFailed);
      if (after == After::Freed) return;
      if (after == After::HandlerRan) break;
    }
    FTransparency = true;
  } else {
    FBltFlags = DDBLTFAST_NOCOLORKEY;
    FTransparency = false;
  }
}

void TDDani::DDSetColorKey(IDirectDrawSurface7* surface, TColor colour, int32_t index) {
  IDirectDrawSurface7* none = nullptr;
  SetKey(surface, colour, index >= 0 && index < kMaxFrames ? FpSurface[index] : none, kKeyFailed);
}

void TDDani::DrawAni() {
  if (!FDDBACK) {
    Report("Error FDDBACK==NULL");
    return;
  }
  FSrcRect.left = 0;
  FSrcRect.top = 0;
  FSrcRect.right = FStretching ? FStretchWidth : FBitmap.Width();
  FSrcRect.bottom = FStretching ? FStretchHeight : FYOffsetFrame;
  DrawImageFunc();
}

void TDDani::DrawImageFunc() {
  // A frame number outside the slots draws like an empty slot.
  IDirectDrawSurface7* none = nullptr;
  IDirectDrawSurface7*& slot = FNumberFrame >= 0 && FNumberFrame < kMaxFrames ? FpSurface[FNumberFrame] : none;
  ClippedBltFast(slot, slot);
}

}  // namespace velmo
