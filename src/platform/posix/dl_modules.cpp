#include "platform/posix/dl_modules.h"

#include <SDL.h>
#include <dlfcn.h>

namespace velmo {
namespace {

class DlModuleLoader : public IModuleLoader {
 public:
  ModuleHandle LoadLibrary(const std::string& name) override { return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL); }
  void* GetProcAddress(ModuleHandle module, const std::string& name) override {
    return module ? dlsym(module, name.c_str()) : nullptr;
  }
  bool FreeLibrary(ModuleHandle module) override { return module && dlclose(module) == 0; }
};

class LinuxSystem : public ISystem {
 public:
  uint32_t PlatformId() override { return VER_PLATFORM_WIN32_NT; }
  bool SetScreenSaverRunning(bool running) override {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    if (running) SDL_DisableScreenSaver();
    else SDL_EnableScreenSaver();
    return true;
  }
};

}  // namespace

std::unique_ptr<IModuleLoader> MakeDlModuleLoader() { return std::make_unique<DlModuleLoader>(); }
std::unique_ptr<ISystem> MakeLinuxSystem() { return std::make_unique<LinuxSystem>(); }

}  // namespace velmo
