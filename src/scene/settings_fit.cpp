#include "scene/settings_fit.h"

#include <algorithm>

#include "components/setreg.h"
#include "scene/bird_flight.h"

namespace velmo {

bool LoadSceneSettings(TSetReg& store, IDisplayDriver& display, const TSaverOptions& options,
                       TSaverSettings& settings) {
  // In a window the store is only read, for the clock's place, size and
  // colour: the other settings are the command line's and its defaults.
  const TLoadReport report =
      LoadSettings(store, display, settings, options.InWindow() ? TStoreAccess::kReadOnly : TStoreAccess::kReadWrite);
  options.ApplyTo(settings);
  // The gull table has ten places and the ramp 0..256 steps; values edited
  // by hand outside those ranges are taken to the nearest end here, while
  // the store keeps what it holds.
  settings.NumBirds = std::clamp(settings.NumBirds, 0, kBirdCount);
  settings.Gamma = std::clamp(settings.Gamma, 0, 256);
  settings.clockRad = std::max(settings.clockRad, 0);
  return !report.firstRun;
}

void FitToWindow(TSaverSettings& settings, int width, int height) {
  // The picture fills the daemon's window; the stored mode stays in the
  // store for the full-screen saver.
  if (width <= 0 || height <= 0) width = height = 1;
  settings.ResHor = width;
  settings.ResVert = height;
}

bool FitToArea(TSaverSettings& settings, const Rect& area, bool primary) {
  const int32_t width = area.right - area.left;
  const int32_t height = area.bottom - area.top;
  if (!primary) {
    // One clock, one frame-rate text and one surf for the whole desktop.
    settings.flag_clock = false;
    settings.flag_fps = false;
    settings.flag_PlaySound = false;
  }
  // Only the primary monitor takes a display mode chosen in the settings.
  if (!primary || settings.flag_defres) {
    settings.ResHor = width;
    settings.ResVert = height;
  }
  return settings.ResHor != width || settings.ResVert != height;
}

void FitClockTo(TSaverSettings& settings, const TClockPlace& placed, int32_t width, int32_t height) {
  // The store keeps what it holds; only this run's copy moves.
  const TClockPlace shown = ClockOnScreen(placed, width, height);
  settings.clockX = shown.x;
  settings.clockY = shown.y;
  settings.clockRad = shown.rad;
}

int IntervalOfSpeed(int setSpeed) {
  if (setSpeed == 0) return 60;
  if (setSpeed == 2) return 40;
  return 50;
}

}  // namespace velmo
