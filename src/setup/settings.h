#pragma once
// The fifteen stored settings, their defaults, and loading and saving them.
#include <string>
#include <vector>

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

// Whether a load may write to the store (first-run defaults, and values it
// found missing at the next write). A viewer of the settings reads only.
enum class TStoreAccess { kReadWrite, kReadOnly };

// What a load found.
struct TLoadReport {
  bool firstRun = false;              // the key did not open: every value is a default
  std::vector<std::string> missing;   // values the key lacks, at their defaults for this run
};

// Width, height and bits per pixel of the desktop's current mode.
void ReadDesktopMode(IDisplayDriver& display, TSaverSettings& settings);
// The clock's place and radius on a first run on a width x height screen:
// top right, radius 70 with 20 pixels to the edges on a screen whose smaller
// side is 600 pixels, in proportion on others (126 and 36 at 1920 x 1080).
void DefaultClockPlacement(int width, int height, int32_t& x, int32_t& y, int32_t& rad);
void SetDefaultSettings(IDisplayDriver& display, TSaverSettings& settings);
// Load-or-initialise. A first run stores the defaults as one whole set
// (where the access allows). Values the key lacks take their defaults; they
// are named once on standard error with the file, and the store's next
// write adds them. A value present but unreadable raises ERegistryException
// naming it and the file; the fields read before it keep their new values.
TLoadReport LoadSettings(TSetReg& store, IDisplayDriver& display, TSaverSettings& settings,
                         TStoreAccess access = TStoreAccess::kReadWrite);
// All fifteen values in one write.
void SaveSettings(TSetReg& store, const TSaverSettings& settings);
// One write of the values that differ between before and after; the others
// are written only where the key lacks them (or cannot read them), so what
// someone else stored meanwhile stays.
void SaveChangedSettings(TSetReg& store, const TSaverSettings& before, const TSaverSettings& after);

}  // namespace velmo
