#include "scene/settings_fit.h"

#include <algorithm>

#include "components/setreg.h"
#include "scene/bird_flight.h"

namespace velmo {

void LoadSceneSettings(TSetReg& store, IDisplayDriver& display, const TSaverOptions& options,
                       TSaverSettings& settings) {
  // In a window the store is only read, for the clock's place, size and
  // colour: the other settings are the command line's and its defaults.
  LoadSettings(store, display, settings, options.InWindow() ? TStoreAccess::kReadOnly : TStoreAccess::kReadWrite);
  options.ApplyTo(settings);
  // The gull table has ten places and the ramp 0..256 steps; values edited
  // by hand outside those ranges are taken to the nearest end here, while
  // the store keeps what it holds.
  settings.NumBirds = std::clamp(settings.NumBirds, 0, kBirdCount);
  settings.Gamma = std::clamp(settings.Gamma, 0, 256);
  settings.clockRad = std::max(settings.clockRad, 0);
}

TPlacedClock PlacedClockOf(const TSaverSettings& settings) {
  return TPlacedClock{settings.clockX, settings.clockY, settings.clockRad};
}

void FitToWindow(TSaverSettings& settings, int width, int height, const TPlacedClock& clock) {
  // The picture fills the daemon's window; the stored mode stays in the
  // store for the full-screen saver.
  if (width <= 0 || height <= 0) width = height = 1;
  settings.ResHor = width;
  settings.ResVert = height;
  // The clock where the settings put it, if it fits (see FitClockTo).
  settings.clockRad = clock.rad;
  settings.clockX = clock.x;
  settings.clockY = clock.y;
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

void FitClockTo(TSaverSettings& settings, int32_t width, int32_t height) {
  // The stored place and size are screen pixels of whichever screen stored
  // them. A clock that does not fit wholly on this screen is drawn, for
  // this run, where a first run on this screen would put it; the store
  // keeps what it holds.
  const bool fits = settings.clockRad >= 0 && settings.clockX - settings.clockRad >= 0 &&
                    settings.clockY - settings.clockRad >= 0 && settings.clockX + settings.clockRad < width &&
                    settings.clockY + settings.clockRad < height;
  if (!fits) DefaultClockPlacement(width, height, settings.clockX, settings.clockY, settings.clockRad);
  // Screens too small even for that: the centre on the screen and the
  // clock no larger than it (far off, it would cost a core in clipped drawing).
  settings.clockRad = std::clamp(settings.clockRad, 0, std::max(std::min(width, height) / 2, 0));
  settings.clockX = std::clamp(settings.clockX, 0, std::max(width - 1, 0));
  settings.clockY = std::clamp(settings.clockY, 0, std::max(height - 1, 0));
}

int IntervalOfSpeed(int setSpeed) {
  if (setSpeed == 0) return 60;
  if (setSpeed == 2) return 40;
  return 50;
}

}  // namespace velmo
