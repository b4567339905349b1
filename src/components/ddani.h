#pragma once
// Sprite of an animation: the bitmap is a vertical strip of equally tall
// frames; every frame gets an offscreen surface of its own, already scaled to
// the size it is shown at (or, scaled on draw, at its own size), so changing
// frames costs nothing but the source.
#include <array>

#include "components/ddsprite.h"

namespace velmo {

class TDDani : public TDDsprite {
 public:
  static constexpr int kMaxFrames = 200;

  explicit TDDani(Component* owner);
  ~TDDani() override;

  void CreateSurface();
  void Create1Surface(int32_t index, int32_t width, int32_t height);
  void CloseSurface();
  void SetTransparency(bool on);
  void DDSetColorKey(IDirectDrawSurface7* surface, TColor colour, int32_t index);
  void DrawAni();
  void DrawImageFunc();

  int32_t GetCountFrame() const { return FCountFrame; }
  // The surface of frame index; null for an empty slot or an index out of range.
  IDirectDrawSurface7* GetFpSurface(int32_t index) const {
    return index >= 0 && index < kMaxFrames ? FpSurface[index] : nullptr;
  }

 private:
  // Makes frame index; answers how its error report, if any, ended.
  After MakeFrame(int32_t index, int32_t width, int32_t height);
  void ReleaseAll();

  int32_t FCountFrame = 0;
  std::array<IDirectDrawSurface7*, kMaxFrames> FpSurface{};
};

}  // namespace velmo
