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
  bool operator==(const TSaverSettings&) const = default;
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

// One rule for the clock, for the dialog, the saver and its arrow keys. The
// stored place and radius are pixels of the screen they were chosen on; a
// clock that lies wholly on a screen is drawn there as stored. The dialog
// offers only a part of that: a radius from 70 up to half the screen's
// smaller side less 40, the centre at least 20 pixels in from the edges
// beyond the radius (the arrow keys keep the same band), so that whatever it
// offers is drawn as stored on the screen it was chosen for.
struct TClockPlace {
  int32_t x = 0, y = 0, rad = 0;
  bool operator==(const TClockPlace&) const = default;
};
struct TClockSpan {
  int64_t low = 0, high = 0;
};
TClockPlace ClockPlaceOf(const TSaverSettings& settings);
// Whether clock lies wholly on a width x height screen.
bool ClockFits(const TClockPlace& clock, int width, int height);
// The radii the dialog offers on a width x height screen.
TClockSpan ClockRadiusSpan(int width, int height);
// The centres the dialog and the arrow keys allow along a side of size
// pixels for a clock of radius rad.
TClockSpan ClockCentreSpan(int32_t rad, int size);
// The clock the saver draws on a width x height screen for the stored one:
// as stored when it fits; otherwise where a first run there would put it
// (DefaultClockPlacement), and on a screen too small even for that, its
// centre on the screen and no larger than the screen.
TClockPlace ClockOnScreen(const TClockPlace& stored, int width, int height);

// Starting the saver by itself when the session is idle (velmo --idle).
// Two values of their own beside the fifteen: files written before they
// existed lack them, and that is no fault to report (off, 5 minutes).
struct TIdleSettings {
  bool IdleStart = false;  // the watcher is started with the session
  int IdleMinutes = 5;     // idle time before the saver starts, kIdleMinutesLow..kIdleMinutesHigh
  bool operator==(const TIdleSettings&) const = default;
};
inline constexpr int kIdleMinutesLow = 1;
inline constexpr int kIdleMinutesHigh = 120;
// Reads both; an absent value takes its default quietly, a delay out of
// range takes the default and says so on standard error (once per call).
// An unreadable value raises ERegistryException naming it, as LoadSettings.
TIdleSettings LoadIdleSettings(TSetReg& store);
// Both values in one write.
void SaveIdleSettings(TSetReg& store, const TIdleSettings& idle);

}  // namespace velmo
