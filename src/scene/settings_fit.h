#pragma once
// The settings a scene runs with: loaded from the store, taken into the
// ranges drawing needs and fitted to what the scene covers (the screen, a
// window, a monitor). Only the scene's copy changes; the store keeps what it
// holds. Plain functions of the settings: no window, no display.
#include <cstdint>

#include "platform/gdi.h"
#include "scene/saver_options.h"
#include "setup/settings.h"

namespace velmo {

class TSetReg;
class IDisplayDriver;

// Loads the store (only read when the scene is in a window: there only the
// clock's place, size and colour are used) and applies the command line's
// options. Values edited by hand beyond what the scene can draw are taken
// to the nearest end. Throws what the store throws. False when the store
// held no settings (the defaults hold).
bool LoadSceneSettings(TSetReg& store, IDisplayDriver& display, const TSaverOptions& options,
                       TSaverSettings& settings);

// The picture fills a window of width x height (1 x 1 when unknown).
void FitToWindow(TSaverSettings& settings, int width, int height);

// The scene over a monitor's area: the primary keeps a display mode chosen
// in the settings, the others take the area's size and leave the clock, the
// frame-rate text and the surf to the primary. True when the scene then
// shows a mode of its own rather than the monitor's.
bool FitToArea(TSaverSettings& settings, const Rect& area, bool primary);

// The clock the settings show on a width x height screen for the placed one
// (as stored, or this screen's default when it does not fit: ClockOnScreen).
// Every layout starts again from the placed clock, so a clock moved to fit a
// smaller screen goes back to its place when the screen is large again.
void FitClockTo(TSaverSettings& settings, const TClockPlace& placed, int32_t width, int32_t height);

// The timer's interval in milliseconds for a speed setting.
int IntervalOfSpeed(int setSpeed);

}  // namespace velmo
