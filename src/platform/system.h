#pragma once
// Services of the operating system itself: its version family, loadable
// modules (the password services live in them), and the flag that tells it
// a screen saver runs.
#include <cstdint>
#include <string>

namespace velmo {

constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;
constexpr uint32_t SPI_SCREENSAVERRUNNING = 97;

using ModuleHandle = void*;

class IModuleLoader {
 public:
  virtual ~IModuleLoader() = default;
  virtual ModuleHandle LoadLibrary(const std::string& name) = 0;
  virtual void* GetProcAddress(ModuleHandle module, const std::string& name) = 0;
  virtual bool FreeLibrary(ModuleHandle module) = 0;
};

// Exports of the password modules, as they are called.
using PwdChangePasswordProc = uint32_t (*)(const char* provider, uint64_t parentWindow, uint32_t reserved1,
                                           uint32_t reserved2);
using VerifyScreenSavePwdProc = int (*)(uint64_t window);

class ISystem {
 public:
  virtual ~ISystem() = default;
  // The platform identifier of GetVersionEx (2 = the NT family).
  virtual uint32_t PlatformId() = 0;
  virtual bool SetScreenSaverRunning(bool running) = 0;
};

}  // namespace velmo
