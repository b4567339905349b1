#include "platform/sdl/linux_system.h"

#include <SDL.h>

#include <cstdlib>

namespace velmo {

uint32_t LinuxSystem::PlatformId() { return VER_PLATFORM_WIN32_NT; }

bool LinuxSystem::SetScreenSaverRunning(bool running) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
  // Started by the idle watcher: the desktop's own blank and lock come as
  // they would without Velmo, so the saver never weakens them.
  if (const char* watcher = std::getenv("VELMO_IDLE_WATCHER"); watcher && *watcher) return true;
  if (running) SDL_DisableScreenSaver();
  else SDL_EnableScreenSaver();
  return true;
}

std::unique_ptr<ISystem> MakeLinuxSystem() { return std::make_unique<LinuxSystem>(); }

}  // namespace velmo
