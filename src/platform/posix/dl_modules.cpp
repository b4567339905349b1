#include "platform/posix/dl_modules.h"

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

}  // namespace

std::unique_ptr<IModuleLoader> MakeDlModuleLoader() { return std::make_unique<DlModuleLoader>(); }

}  // namespace velmo
