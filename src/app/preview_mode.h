#pragma once
// Paints the preview picture once into a window that another process owns.
#include <string>

#include "platform/preview.h"

namespace velmo {

// windowArg: the window's handle (EConvertError when it is not a number).
// A window that does not exist, or goes away while we wait for it to be
// shown, raises an error instead of leaving the process polling for ever.
void RunPreview(const std::string& windowArg, IForeignWindows& windows);

}  // namespace velmo
