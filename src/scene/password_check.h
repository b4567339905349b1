#pragma once
// The old desktop's saver password: asked of the system's password module
// where the system has one. Blocks while the module asks the user.
#include "platform/platform.h"

namespace velmo {

// True when the saver may end: no password module (this platform reports
// the family without one), or the module accepted the password.
bool SaverPasswordAccepted(Platform& platform);

}  // namespace velmo
