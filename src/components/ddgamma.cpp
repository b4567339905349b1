#include "components/ddgamma.h"

#include "components/ddmain.h"

namespace velmo {

void FillGammaRamp(int32_t rgb, DDGAMMARAMP& ramp) {
  const uint16_t step = static_cast<uint16_t>(static_cast<uint32_t>(rgb) & 0xFFFFu);
  uint16_t level = 0;
  for (size_t i = 0; i < 256; ++i) {
    ramp.red[i] = level;
    ramp.green[i] = level;
    ramp.blue[i] = level;
    level = static_cast<uint16_t>(level + step);  // wraps modulo 65536
  }
}

TDDgamma::TDDgamma(Component* owner) : Component(owner), DDErrorReporting(this) {}

TDDgamma::~TDDgamma() {
  // The owner disables the component first; a control still held is not leaked.
  if (FpGammaControl) FpGammaControl->Release();
}

bool TDDgamma::ReportAndGoOn(const char* text) {
  if (!ReportError(text)) return false;
  return FpGammaControl != nullptr;
}

void TDDgamma::SetEnabled(bool value) {
  if (value == FEnabled) return;
  if (!value) {
    FEnabled = false;
    if (FpGammaControl) {
      FpGammaControl->Release();
      FpGammaControl = nullptr;
    }
    return;
  }

  if (!DDmainModule) {
    ReportError("Error connect to DDMAIN");
    return;
  }
  FpDD = DDmainModule->GetFpDD();
  if (!FpDD) {
    ReportError("Error FpDD==NULL");
    return;
  }
  FpDDSPrimary = DDmainModule->GetFpDDSPrimary();
  if (!FpDDSPrimary) {
    ReportError("Error FpDDSPrimary==NULL");
    return;
  }
  DDCAPS driverCaps{};
  driverCaps.dwSize = 380;
  FpDD->GetCaps(&driverCaps, nullptr);  // a failed query leaves the caps zero
  if (driverCaps.dwCaps2 & DDCAPS2_PRIMARYGAMMA) {
    FEnabled = true;
    if (FpDDSPrimary->QueryGammaControl(&FpGammaControl) != DD_OK || !FpGammaControl) {
      if (FpGammaControl) FpGammaControl->Release();
      FpGammaControl = nullptr;
      FEnabled = false;
    }
  } else {
    // No gamma support is not an error: the component just stays off.
    FEnabled = false;
  }
}

void TDDgamma::SetRGB(int32_t value) {
  FRGB = value;
  if (!FEnabled || !FpGammaControl) return;
  FRamp = DDGAMMARAMP{};
  if (Failed(FpGammaControl->GetGammaRamp(0, &FRamp))) {
    // The ramp read is overwritten anyway; the new one is still written.
    if (!ReportAndGoOn("Cannot GetGammaRamp")) return;
  }
  FillGammaRamp(FRGB, FRamp);
  if (Failed(FpGammaControl->SetGammaRamp(0, &FRamp))) ReportError("Cannot SetGammaRamp");
}

}  // namespace velmo
