#pragma once
// Test-only foreign windows: a window that exists, becomes visible after a
// number of polls, and records what is drawn into it.
#include <memory>
#include <vector>

#include "platform/fake/fake_display.h"
#include "platform/preview.h"

namespace velmo {

class FakeForeignWindows : public IForeignWindows {
 public:
  bool IsWindow(WindowId window) override { return exists && window == id; }
  bool IsWindowVisible(WindowId window) override {
    ++visibilityPolls;
    if (destroyAfterPolls >= 0 && visibilityPolls > destroyAfterPolls) exists = false;
    return IsWindow(window) && visibilityPolls > pollsUntilVisible;
  }
  void ProcessMessages() override { ++messagePumps; }
  IDeviceContext* GetDC(WindowId window) override;
  void ReleaseDC(WindowId window, IDeviceContext* dc) override;

  WindowId id = 4660;
  bool exists = true;
  int pollsUntilVisible = 0;
  int destroyAfterPolls = -1;
  int visibilityPolls = 0;
  int messagePumps = 0;
  bool refuseDC = false;
  // Every drawing call into the window and the DC's own get and release.
  FakeCallLog log;
  // The window's pixels (32-bit), 300 x 200, so tests can look at them.
  static constexpr int kWidth = 300;
  static constexpr int kHeight = 200;
  std::vector<uint32_t> pixels = std::vector<uint32_t>(kWidth * kHeight, 0x00FF0000);

 private:
  std::unique_ptr<FakeDeviceContext> dc_;
};

}  // namespace velmo
