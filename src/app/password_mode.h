// SPDX-License-Identifier: MIT
#pragma once
// Hands the change of the saver password to the system's password module.
#include <string>

#include "platform/system.h"
#include "platform/window.h"

namespace velmo {

// What a system without a screen-saver password service is told.
inline constexpr const char* kNoPasswordChange =
    "Changing a screen-saver password is not supported here: Velmo has no password of its own. "
    "Your desktop's screen locker uses your login password.";

// parentArg: the parent window's handle in decimal (EConvertError otherwise),
// or empty for none.
void RunPasswordChange(const std::string& parentArg, IModuleLoader& modules, IApplication& app);

}  // namespace velmo
