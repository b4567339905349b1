#pragma once
// Brightness of the whole display through the gamma ramp of the display
// device's primary surface. RGB is a linear factor: 256 unchanged, 0 black.
#include <cstdint>

#include "components/component.h"
#include "components/dd_error.h"
#include "platform/display.h"

namespace velmo {

class TDDmain;

// Entry i is the low 16 bits of i x rgb, the same on all three channels.
void FillGammaRamp(int32_t rgb, DDGAMMARAMP& ramp);

class TDDgamma : public Component, public DDErrorReporting {
 public:
  explicit TDDgamma(Component* owner);
  ~TDDgamma() override;

  bool GetEnabled() const { return FEnabled; }
  // Obtains the gamma control (only from an open display that reports
  // primary gamma support) or releases it. The ramp last set stays.
  void SetEnabled(bool value);

  TDDmain* DDmainModule = nullptr;

  int32_t GetRGB() const { return FRGB; }
  // Stores the factor, and writes the ramp while enabled.
  void SetRGB(int32_t value);

  IDirectDrawGammaControl* GetFpGammaControl() const { return FpGammaControl; }

 private:
  // Stores the text and raises OnError; false when the handler freed this
  // component or released its gamma control, so the caller stops.
  bool ReportAndGoOn(const char* text);

  bool FEnabled = false;
  int32_t FRGB = 256;
  IDirectDraw* FpDD = nullptr;
  IDirectDrawSurface7* FpDDSPrimary = nullptr;
  IDirectDrawGammaControl* FpGammaControl = nullptr;
  DDGAMMARAMP FRamp;  // kept here so setting the ramp allocates nothing
};

}  // namespace velmo
