// SPDX-License-Identifier: MIT
// velmo-setup: the settings dialog "Velmo Setup", which velmo /c becomes.
// A program of its own so that the saver never loads the dialog's toolkit.
#include <exception>

#include "platform/platform.h"
#include "platform/termination.h"
#include "setup/setup_mode.h"

int main(int argc, char** argv) {
  using namespace velmo;
  WatchTerminationSignals();
  const std::unique_ptr<RealPlatform> real = MakeRealPlatform();
  Platform& platform = real->platform();
  try {
    return RunSettingsMode(argc, argv, platform.display, platform.registry);
  } catch (const std::exception& e) {
    platform.app.ShowException(e.what());
  } catch (...) {
    platform.app.ShowException("Unexpected error.");
  }
  return kSettingsFailed;
}
