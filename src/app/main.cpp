// velmo: the screen saver's program. The first argument picks what this
// process does; see the README.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/password_mode.h"
#include "app/preview_mode.h"
#include "app/run_mode.h"
#include "platform/platform.h"
#include "platform/termination.h"
#include "scene/form1.h"
#include "setup/setup_mode.h"

// The termination signals are blocked before anything else runs, the
// libraries' initialisers included: a request that arrives while the program
// is still loading waits for the watcher and ends it in order.
extern "C" void VelmoBlockSignalsFirst(int, char**, char**) { velmo::BlockTerminationSignals(); }
__attribute__((section(".preinit_array"), used)) static void (*const kBlockSignalsFirst)(int, char**, char**) =
    VelmoBlockSignalsFirst;

int main(int argc, char** argv) {
  using namespace velmo;
  // Before any library starts a thread: they all inherit the blocked signals.
  WatchTerminationSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::unique_ptr<RealPlatform> real = MakeRealPlatform();
  Platform& platform = real->platform();
  const char* hostEnv = std::getenv("XSCREENSAVER_WINDOW");
  const bool hostRequested = HostRequested(args, hostEnv);
  const RunModes modes{
      [&] { RunSaver(platform); },
      [&] { RunSettingsMode(argc, argv, platform.display, platform.registry); },
      [&](const std::string& window) { RunPreview(window, platform.foreign); },
      [&](const std::string& parent) { RunPasswordChange(parent, platform.modules, platform.app); },
      [&](const std::string& text) {
        if (hostRequested) std::fprintf(stderr, "velmo: %s\n", text.c_str());
        else platform.app.ShowException(text);
      },
      [&](const HostWindow& host) { RunSaver(platform, host.root ? 0 : uint64_t{host.window}); },
  };
  return RunEntry(args, modes, hostEnv);
}
