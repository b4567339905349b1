#pragma once
// Windows of other processes on the X server (the preview window a
// screen-saver front end hands us by id).
#include <memory>

#include "platform/preview.h"

namespace velmo {

std::unique_ptr<IForeignWindows> MakeX11ForeignWindows();

}  // namespace velmo
