#pragma once
// Test-only foreign windows: a window that exists, becomes visible after a
// number of polls, and records what is drawn into it.
#include <memory>
#include <vector>

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
  int getDCCalls = 0;
  int releaseDCCalls = 0;
  // What Draw received: position and picture size.
  struct Drawn {
    int x, y, width, height;
  };
  std::vector<Drawn> drawn;
  std::unique_ptr<IDeviceContext> dc;
};

}  // namespace velmo
