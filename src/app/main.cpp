// SPDX-License-Identifier: MIT
// velmo: the screen saver's program. The command line picks what this
// process does; see the README and velmo(6).
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/entry.h"
#include "app/idle_mode.h"
#include "app/password_mode.h"
#include "app/preview_mode.h"
#include "app/run_mode.h"
#include "app/settings_program.h"
#include "platform/platform.h"
#include "platform/termination.h"
#include "scene/saver_screens.h"

int main(int argc, char** argv) {
  using namespace velmo;
  // Before any library starts a thread: they all inherit the blocked signals.
  WatchTerminationSignals();
  // Blocks of 128 KiB and more (decoded pictures, decoders' buffers, sea
  // frames) are mapped on their own and go back to the system when freed.
  // Left to itself, glibc raises this threshold after the first large free,
  // and the start-up's big buffers then stay in the heap, pinned by the
  // small blocks made after them, for as long as the saver runs.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  const std::vector<std::string> args(argv + 1, argv + argc);
  // Made when a mode runs: the usage, the version and a mistyped option are
  // answered without opening a display.
  std::unique_ptr<RealPlatform> real;
  auto platform = [&](bool fullScreenSaver = false) -> Platform& {
    if (!real) real = MakeRealPlatform(fullScreenSaver);
    return real->platform();
  };
  const char* hostEnv = std::getenv("XSCREENSAVER_WINDOW");
  const bool hostRequested = HostRequested(args, hostEnv);
  const RunModes modes{
      [&](TSaverOptions options) {
        options.saverIndex = SaverIndexOf(std::getenv("XSCREENSAVER_SAVER_INDEX"));
        return RunSaver(platform(options.place == TSaverOptions::TPlace::FullScreen), options);
      },
      [&] { RunSettingsProgram(argv); },
      [&](const std::string& window) { RunPreview(window, platform().foreign); },
      [&](const std::string& parent) { RunPasswordChange(parent, platform().modules, platform().app); },
      [&](const std::string& text) {
        if (hostRequested) std::fprintf(stderr, "velmo: %s\n", text.c_str());
        else platform().app.ShowException(text);
      },
      // No SDL, no display of its own: it only watches and starts the saver.
      [](int afterSeconds) { return RunIdleProgram(afterSeconds); },
  };
  return RunEntry(args, modes, hostEnv);
}
