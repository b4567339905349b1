#include "platform/sdl/linux_system.h"

#include <SDL.h>

namespace velmo {

uint32_t LinuxSystem::PlatformId() { return VER_PLATFORM_WIN32_NT; }

bool LinuxSystem::SetScreenSaverRunning(bool running) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
  if (running) SDL_DisableScreenSaver();
  else SDL_EnableScreenSaver();
  return true;
}

std::unique_ptr<ISystem> MakeLinuxSystem() { return std::make_unique<LinuxSystem>(); }

}  // namespace velmo
