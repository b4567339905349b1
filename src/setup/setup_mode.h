#pragma once
// The settings run mode: the settings dialog as the application's only window.
#include "platform/display.h"
#include "platform/registry.h"

namespace velmo {

// The title of the application in settings mode: the caption of its boxes
// and its window class.
inline constexpr const char* kSettingsAppTitle = "Velmo Screensaver";

// The exit code of a dialog that could not be shown (no display, an error
// box instead of the dialog), as velmo(6) gives it for every failure to start.
inline constexpr int kSettingsFailed = 2;

// Creates the application, shows the dialog and runs until it closes.
// Returns the exit code: 0 once the dialog has closed, kSettingsFailed.
int RunSettingsMode(int& argc, char** argv, IDisplayDriver& display, IRegistry& registry);

}  // namespace velmo
