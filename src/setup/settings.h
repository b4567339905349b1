#pragma once
// The fifteen stored settings, their defaults, and loading and saving them.
#include "components/setreg.h"
#include "platform/colour.h"
#include "platform/display.h"

namespace velmo {

// Fields named exactly like the stored values, in schema order.
struct TSaverSettings {
  int NumBirds = 0;
  bool flag_clock = false;
  bool flag_PlaySound = false;
  bool flag_fps = false;
  bool TermMouse = false;
  int Gamma = 0;
  bool flag_defres = false;
  int ResHor = 0;
  int ResVert = 0;
  int ColorDepth = 0;
  int clockX = 0;
  int clockY = 0;
  int clockRad = 0;
  TColor ColorClock = 0;
  int SetSpeed = 0;
};

// Width, height and bits per pixel of the desktop's current mode.
void ReadDesktopMode(IDisplayDriver& display, TSaverSettings& settings);
// The clock's place and radius on a first run on a width x height screen:
// top right, radius 70 with 20 pixels to the edges, all times the screen's
// scale (ScaleOfScreen).
void DefaultClockPlacement(int width, int height, int32_t& x, int32_t& y, int32_t& rad);
void SetDefaultSettings(IDisplayDriver& display, TSaverSettings& settings);
// Load-or-initialise. A missing or mistyped value raises ERegistryException
// naming it; the fields read before it keep their new values.
void LoadSettings(TSetReg& store, IDisplayDriver& display, TSaverSettings& settings);
void SaveSettings(TSetReg& store, const TSaverSettings& settings);

}  // namespace velmo
