#pragma once
// An open display device on the fake display, for the sprite, clock and gamma tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "components/ddmain.h"
#include "platform/fake/fake_display.h"
#include "platform/fake/fake_timer.h"

namespace velmo::testing {

// A display device opened at W x H x bits on the fake, with the log cleared
// so tests see only what the component under test did.
class OpenDisplay {
 public:
  OpenDisplay(int width, int height, int bits) : device(std::make_unique<TDDmain>(nullptr, driver, clock)) {
    driver.modes.push_back({width, height, bits});
    device->SetWidth(width);
    device->SetHeight(height);
    device->SetColorDepth(bits);
    device->SetEnabled(true);
    EXPECT_NE(device->GetFpDDSBack(), nullptr) << driver.log.Dump();
    driver.log.Clear();
  }
  ~OpenDisplay() {
    if (device) device->SetEnabled(false);
  }
  FakeSurface* Back() const { return driver.Back(); }
  FakeSurface* Offscreen(int n) const { return driver.Surface("surface" + std::to_string(n)); }

  FakeDisplayDriver driver;
  FakeTimerService clock;
  std::unique_ptr<TDDmain> device;
};

// A true-colour picture of one colour (0x00RRGGBB) with another at its top-left pixel.
inline Bitmap Picture(int w, int h, uint32_t fill, uint32_t corner) {
  Bitmap b = Bitmap::TrueColour(w, h);
  for (int i = 0; i < w * h; ++i) b.Pixels()[i] = fill;
  if (w > 0 && h > 0) b.Pixels()[0] = corner;
  return b;
}

// Counts the OnError calls of a component.
struct ErrorCounter {
  int count = 0;
  TNotifyEvent Handler() {
    return [this](Component*) { ++count; };
  }
};

}  // namespace velmo::testing
