#pragma once
// The settings run mode: the settings dialog as the application's only window.
#include "platform/display.h"
#include "platform/registry.h"

namespace velmo {

// The title of the application in settings mode (the trailing blank is its own).
inline constexpr const char* kSettingsAppTitle = "Velmo Screensaver ";

// Creates the application, shows the dialog and runs until it closes; 0.
int RunSettingsMode(int& argc, char** argv, IDisplayDriver& display, IRegistry& registry);

}  // namespace velmo
