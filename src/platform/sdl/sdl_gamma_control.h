#pragma once
// The gamma control of the SDL display service's primary surface: reads and
// writes the ramp its display object applies while presenting. Main thread.
#include <cstdint>

#include "platform/display.h"

namespace velmo {

class ISurfaceHost;

class SdlGammaControl final : public IDirectDrawGammaControl {
 public:
  explicit SdlGammaControl(ISurfaceHost* owner) : owner_(owner) {}
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override;
  HRESULT GetGammaRamp(uint32_t flags, DDGAMMARAMP* ramp) override;
  HRESULT SetGammaRamp(uint32_t flags, const DDGAMMARAMP* ramp) override;
  void Orphan() { owner_ = nullptr; }

 private:
  uint32_t refs_ = 1;
  ISurfaceHost* owner_;
};

}  // namespace velmo
