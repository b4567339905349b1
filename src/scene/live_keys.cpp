#include "scene/live_keys.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "components/dxclock.h"
#include "components/setreg.h"
#include "platform/window.h"
#include "scene/brightness.h"

namespace velmo {

void TLiveKeys::KeyDown(int key) {
  TSaverSettings& settings = settings_;
  if (settings.TermMouse) {
    hooks_.endRequested();
    return;
  }
  if (ended_) return;
  // The band the dialog offers too: a clock moved here is drawn as stored.
  const TClockSpan across = ClockCentreSpan(settings.clockRad, settings.ResHor);
  const TClockSpan down = ClockCentreSpan(settings.clockRad, settings.ResVert);
  switch (key) {
    case VK_LEFT:
      if (settings.clockX > across.low) --settings.clockX;
      break;
    case VK_RIGHT:
      if (settings.clockX < across.high) ++settings.clockX;
      break;
    case VK_UP:
      if (settings.clockY > down.low) --settings.clockY;
      break;
    case VK_DOWN:
      if (settings.clockY < down.high) ++settings.clockY;
      break;
    default:
      return;
  }
  parts_.DXClock1->SetXcenter(settings.clockX);
  parts_.DXClock1->SetYcenter(settings.clockY);
  // Stored at every press, also at the bound, so the next start finds it. A
  // clock shown in place of a stored one that does not fit this screen is
  // the one the user moves: it is stored whole, as shown.
  const bool acrossKey = key == VK_LEFT || key == VK_RIGHT;
  const TClockPlace shown = ClockPlaceOf(settings);
  TClockPlace& placed = placed_;
  if (acrossKey || shown.x != placed.x) StoreLive("clockX", shown.x);
  if (!acrossKey || shown.y != placed.y) StoreLive("clockY", shown.y);
  if (shown.rad != placed.rad) StoreLive("clockRad", shown.rad);
  placed = shown;
}

void TLiveKeys::KeyPress(char key) {
  if (settings_.TermMouse || key == 27) {
    hooks_.endRequested();
    return;
  }
  if ((key != '+' && key != '-') || ended_) return;
  const std::optional<int> level = StepBrightness(*parts_.DDgamma1, key == '+' ? 1 : -1);
  if (!level) return;  // no gamma on this display: nothing changes, nothing stored
  settings_.Gamma = *level;
  if (hooks_.brightness) hooks_.brightness(*level);
  StoreLive("Gamma", *level);
}

void TLiveKeys::MouseMove(int x, int y) {
  // A pointer the window system moved because the monitors changed (onto a
  // smaller screen) is not the user's: its new place is only recorded.
  if (settings_.TermMouse && !(hooks_.layoutMoving && hooks_.layoutMoving())) {
    if (std::abs(x - lastMouseX_) > 5 && lastMouseX_ != 0) hooks_.endRequested();
    else if (std::abs(y - lastMouseY_) > 5 && lastMouseY_ != 0) hooks_.endRequested();
  }
  lastMouseX_ = x;
  lastMouseY_ = y;
}

void TLiveKeys::MouseDown() {
  // A click wakes the screen as a movement does; with only Escape ending
  // the saver it does nothing.
  if (settings_.TermMouse) hooks_.endRequested();
}

void TLiveKeys::StoreLive(const char* name, int value) {
  // A live key's change stays on screen whatever the store does; a write
  // that fails (a read-only settings directory, a full disk) is said once.
  std::string failure;
  try {
    if (!parts_.SetReg1->Write(name, value))
      failure = std::string("the settings key cannot be opened to store '") + name + "'";
  } catch (const ERegistryException& e) {
    failure = e.what();
  }
  if (failure.empty() || storeFailureReported_) return;
  storeFailureReported_ = true;
  std::fprintf(stderr, "Velmo: %s; changes made with the keys hold until the saver ends.\n", failure.c_str());
}

}  // namespace velmo
