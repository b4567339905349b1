#pragma once
// What the surfaces and the gamma control of the SDL-surface display need
// of the display object that made them: to be forgotten when released, a
// flip's present and the ramp. Two hosts: the SDL window's
// (sdl_direct_draw.h) and a window that takes frames itself
// (sink_direct_draw.h). Main thread only.
#include "platform/display.h"

namespace velmo {

class SdlSurface;
class SdlGammaControl;

class ISurfaceHost {
 public:
  virtual ~ISurfaceHost() = default;
  virtual void Forget(SdlSurface* surface) = 0;
  virtual void Forget(SdlGammaControl* control) = 0;
  // Shows what changed in frame (the back buffer); the loop then waits for
  // the refresh. False when the window cannot show anything (said on
  // standard error).
  virtual bool Present(SdlSurface& frame) = 0;
  virtual HRESULT ReadRamp(DDGAMMARAMP* ramp) = 0;
  virtual HRESULT WriteRamp(const DDGAMMARAMP& ramp) = 0;
  // A new gamma control (reference count 1) or null without memory.
  virtual SdlGammaControl* MakeGammaControl() = 0;
};

}  // namespace velmo
