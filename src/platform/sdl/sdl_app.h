#pragma once
// The application loop over SDL: windows, key/character/mouse events, an idle
// handler, posted work from other threads, the cursor and message boxes.
#include <memory>

#include "platform/window.h"

namespace velmo {

std::unique_ptr<IApplication> MakeSdlApplication();

}  // namespace velmo
