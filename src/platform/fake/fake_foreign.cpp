#include "platform/fake/fake_foreign.h"

namespace velmo {

IDeviceContext* FakeForeignWindows::GetDC(WindowId window) {
  log.Add("GetDC(" + std::to_string(window) + ")");
  if (refuseDC || !IsWindow(window)) return nullptr;
  dc_ = std::make_unique<FakeDeviceContext>(
      log, PixelTarget{reinterpret_cast<uint8_t*>(pixels.data()), kWidth * 4, kWidth, kHeight, 32});
  return dc_.get();
}

void FakeForeignWindows::ReleaseDC(WindowId window, IDeviceContext* dc) {
  log.Add("ReleaseDC(" + std::to_string(window) + std::string(dc == dc_.get() ? ",dc)" : ",?)"));
  if (dc == dc_.get()) dc_.reset();
}

}  // namespace velmo
