#pragma once
// Sprite of a still picture: the whole bitmap in one offscreen surface, scaled
// once when asked, blitted clipped to (ShowX, ShowY). It can also draw one
// frame of a vertical strip held in that single surface.
#include "components/ddsprite.h"

namespace velmo {

class TDDbmp : public TDDsprite {
 public:
  explicit TDDbmp(Component* owner);
  ~TDDbmp() override;

  void CreateSurface();
  void CloseSurface();
  void SetTransparency(bool on);
  void DrawImage();
  void DrawAni();
  void DrawImageFunc();
  void DDSetColorKey(IDirectDrawSurface7* surface, TColor colour);

  IDirectDrawSurface7* GetFpSurface() const { return FpSurface; }

 private:
  // The two checks every draw and the transparency switch start with.
  bool HaveSurfaces();

  IDirectDrawSurface7* FpSurface = nullptr;
};

}  // namespace velmo
