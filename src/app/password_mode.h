#pragma once
// Hands the change of the saver password to the system's password module.
#include <string>

#include "platform/system.h"
#include "platform/window.h"

namespace velmo {

// parentArg: the parent window's handle in decimal (EConvertError otherwise).
void RunPasswordChange(const std::string& parentArg, IModuleLoader& modules, IApplication& app);

}  // namespace velmo
