#pragma once
// Test-only system services: a scriptable module table (so the password
// modules can be present, missing, or lack their export) and the system flags.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/system.h"

namespace velmo {

class FakeModuleLoader : public IModuleLoader {
 public:
  // Makes a module loadable, with the given exports.
  void AddModule(const std::string& name, std::map<std::string, void*> exports);

  ModuleHandle LoadLibrary(const std::string& name) override;
  void* GetProcAddress(ModuleHandle module, const std::string& name) override;
  bool FreeLibrary(ModuleHandle module) override;

  std::vector<std::string> calls;  // "LoadLibrary(MPR.DLL)", "GetProcAddress(MPR.DLL,PwdChangePasswordA)", ...
  int loaded = 0;                  // modules loaded and not freed

 private:
  struct Module {
    std::string name;
    std::map<std::string, void*> exports;
  };
  std::vector<std::unique_ptr<Module>> modules_;
};

class FakeSystem : public ISystem {
 public:
  uint32_t PlatformId() override { return platformId; }
  bool SetScreenSaverRunning(bool running) override {
    saverRunningCalls.push_back(running);
    return true;
  }
  uint32_t platformId = VER_PLATFORM_WIN32_NT;
  std::vector<bool> saverRunningCalls;
};

}  // namespace velmo
