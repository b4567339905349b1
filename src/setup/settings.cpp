#include "setup/settings.h"

#include "components/screen_scale.h"

namespace velmo {
namespace {

// Reads through a temporary so a failed read leaves the field as it was.
void ReadColour(TSetReg& store, const char* name, TColor& field) {
  int value = static_cast<int>(field);
  store.Read(name, &value);
  field = static_cast<TColor>(value);
}

}  // namespace

void ReadDesktopMode(IDisplayDriver& display, TSaverSettings& settings) {
  const DisplayMode mode = display.DesktopMode();
  settings.ResHor = mode.width;
  settings.ResVert = mode.height;
  settings.ColorDepth = mode.bitsPerPixel;
}

void DefaultClockPlacement(int width, int height, int32_t& x, int32_t& y, int32_t& rad) {
  const int32_t scale = ScaleOfScreen(width, height);
  rad = 70 * scale;
  x = width - rad - 20 * scale;
  y = rad + 20 * scale;
}

void SetDefaultSettings(IDisplayDriver& display, TSaverSettings& settings) {
  settings.NumBirds = 7;
  settings.flag_clock = true;
  settings.flag_PlaySound = true;
  settings.flag_fps = true;
  settings.TermMouse = true;
  settings.Gamma = 256;
  settings.flag_defres = true;
  ReadDesktopMode(display, settings);
  DefaultClockPlacement(settings.ResHor, settings.ResVert, settings.clockX, settings.clockY, settings.clockRad);
  settings.ColorClock = 0x80FF;  // orange: red 255, green 128
  settings.SetSpeed = 1;
}

void LoadSettings(TSetReg& store, IDisplayDriver& display, TSaverSettings& settings) {
  // Whether NumBirds can be read decides between first run and a stored set.
  if (!store.Read("NumBirds", &settings.NumBirds)) {
    SetDefaultSettings(display, settings);
    // A store that cannot take the defaults (read-only configuration, say)
    // must not keep the saver from running: they hold for this run, and the
    // next load tries again.
    try {
      SaveSettings(store, settings);
    } catch (const ERegistryException&) {
    }
    return;
  }
  store.Read("flag_clock", &settings.flag_clock);
  store.Read("flag_PlaySound", &settings.flag_PlaySound);
  store.Read("flag_fps", &settings.flag_fps);
  store.Read("TermMouse", &settings.TermMouse);
  store.Read("Gamma", &settings.Gamma);
  store.Read("flag_defres", &settings.flag_defres);
  store.Read("ResHor", &settings.ResHor);
  store.Read("ResVert", &settings.ResVert);
  store.Read("ColorDepth", &settings.ColorDepth);
  // The stored mode stays in the key; only this run follows the desktop.
  if (settings.flag_defres) ReadDesktopMode(display, settings);
  store.Read("clockX", &settings.clockX);
  store.Read("clockY", &settings.clockY);
  store.Read("clockRad", &settings.clockRad);
  ReadColour(store, "ColorClock", settings.ColorClock);
  store.Read("SetSpeed", &settings.SetSpeed);
}

void SaveSettings(TSetReg& store, const TSaverSettings& settings) {
  store.Write("NumBirds", settings.NumBirds);
  store.Write("flag_clock", settings.flag_clock);
  store.Write("flag_PlaySound", settings.flag_PlaySound);
  store.Write("flag_fps", settings.flag_fps);
  store.Write("TermMouse", settings.TermMouse);
  store.Write("Gamma", settings.Gamma);
  store.Write("flag_defres", settings.flag_defres);
  store.Write("ResHor", settings.ResHor);
  store.Write("ResVert", settings.ResVert);
  store.Write("ColorDepth", settings.ColorDepth);
  store.Write("clockX", settings.clockX);
  store.Write("clockY", settings.clockY);
  store.Write("clockRad", settings.clockRad);
  store.Write("ColorClock", static_cast<int>(settings.ColorClock));
  store.Write("SetSpeed", settings.SetSpeed);
}

}  // namespace velmo
