#pragma once
// Loadable modules through the dynamic linker. No password module exists
// here, so asking for one finds nothing.
#include <memory>

#include "platform/system.h"

namespace velmo {

std::unique_ptr<IModuleLoader> MakeDlModuleLoader();

}  // namespace velmo
