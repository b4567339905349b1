#pragma once
// Loadable modules through the dynamic linker. No password-change module
// exists on this system, so asking for one finds nothing.
#include <memory>

#include "platform/system.h"

namespace velmo {

std::unique_ptr<IModuleLoader> MakeDlModuleLoader();
// The NT-like family (no saver password check); the saver-running flag keeps
// the desktop's own blanker away while we run.
std::unique_ptr<ISystem> MakeLinuxSystem();

}  // namespace velmo
