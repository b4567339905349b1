#include "platform/sdl/sdl_gamma_control.h"

#include "platform/sdl/surface_host.h"

namespace velmo {

uint32_t SdlGammaControl::Release() {
  if (refs_ == 0) return 0;
  if (--refs_ > 0) return refs_;
  if (owner_) owner_->Forget(this);
  delete this;
  return 0;
}

HRESULT SdlGammaControl::GetGammaRamp(uint32_t, DDGAMMARAMP* ramp) {
  if (ramp == nullptr) return DDERR_INVALIDPARAMS;
  if (!owner_) return DDERR_INVALIDOBJECT;
  return owner_->ReadRamp(ramp);
}

HRESULT SdlGammaControl::SetGammaRamp(uint32_t, const DDGAMMARAMP* ramp) {
  if (ramp == nullptr) return DDERR_INVALIDPARAMS;
  if (!owner_) return DDERR_INVALIDOBJECT;
  return owner_->WriteRamp(*ramp);
}

}  // namespace velmo
