#include "platform/fake/fake_system.h"

#include <memory>

namespace velmo {

void FakeModuleLoader::AddModule(const std::string& name, std::map<std::string, void*> exports) {
  modules_.push_back(std::make_unique<Module>(Module{name, std::move(exports)}));
}

ModuleHandle FakeModuleLoader::LoadLibrary(const std::string& name) {
  calls.push_back("LoadLibrary(" + name + ")");
  for (auto& m : modules_)
    if (m->name == name) {
      ++loaded;
      return m.get();
    }
  return nullptr;
}

void* FakeModuleLoader::GetProcAddress(ModuleHandle module, const std::string& name) {
  auto* m = static_cast<Module*>(module);
  calls.push_back("GetProcAddress(" + (m ? m->name : std::string("null")) + "," + name + ")");
  if (!m) return nullptr;
  auto it = m->exports.find(name);
  return it == m->exports.end() ? nullptr : it->second;
}

bool FakeModuleLoader::FreeLibrary(ModuleHandle module) {
  auto* m = static_cast<Module*>(module);
  calls.push_back("FreeLibrary(" + (m ? m->name : std::string("null")) + ")");
  if (!m) return false;
  --loaded;
  return true;
}

}  // namespace velmo
