#pragma once
// The system's facts and the saver-running flag: this platform is of the
// NT-like family (no saver password check), and the flag is SDL's
// screen-saver inhibition, which keeps the desktop's own blanker away while
// the saver runs. Main thread; cheap.
#include <memory>

#include "platform/system.h"

namespace velmo {

class LinuxSystem : public ISystem {
 public:
  uint32_t PlatformId() override;
  // False before SDL's video runs (nothing to inhibit).
  bool SetScreenSaverRunning(bool running) override;
};

std::unique_ptr<ISystem> MakeLinuxSystem();

}  // namespace velmo
