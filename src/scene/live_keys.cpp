#include "scene/live_keys.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "components/dxclock.h"
#include "components/setreg.h"
#include "scene/brightness.h"
#include "scene/form1.h"

namespace velmo {

int TLiveKeys::ClockMin() const { return scene_.Settings.clockRad + 20; }
int TLiveKeys::ClockMaxX() const { return scene_.Settings.ResHor - scene_.Settings.clockRad - 20; }
int TLiveKeys::ClockMaxY() const { return scene_.Settings.ResVert - scene_.Settings.clockRad - 20; }

void TLiveKeys::KeyDown(int key) {
  TSaverSettings& settings = scene_.Settings;
  if (settings.TermMouse) {
    scene_.TryEndSaver();
    return;
  }
  if (scene_.FEnded) return;
  switch (key) {
    case VK_LEFT:
      if (settings.clockX > ClockMin()) --settings.clockX;
      break;
    case VK_RIGHT:
      if (settings.clockX < ClockMaxX()) ++settings.clockX;
      break;
    case VK_UP:
      if (settings.clockY > ClockMin()) --settings.clockY;
      break;
    case VK_DOWN:
      if (settings.clockY < ClockMaxY()) ++settings.clockY;
      break;
    default:
      return;
  }
  // Stored at every press, also at the bound, so the next start finds it.
  if (key == VK_LEFT || key == VK_RIGHT) {
    scene_.DXClock1->SetXcenter(settings.clockX);
    StoreLive("clockX", settings.clockX);
  } else {
    scene_.DXClock1->SetYcenter(settings.clockY);
    StoreLive("clockY", settings.clockY);
  }
}

void TLiveKeys::KeyPress(char key) {
  if (scene_.Settings.TermMouse || key == 27) {
    scene_.TryEndSaver();
    return;
  }
  if ((key != '+' && key != '-') || scene_.FEnded) return;
  const std::optional<int> level = StepBrightness(*scene_.DDgamma1, key == '+' ? 1 : -1);
  if (!level) return;  // no gamma on this display: nothing changes, nothing stored
  scene_.Settings.Gamma = *level;
  if (scene_.OnBrightness) scene_.OnBrightness(*level);
  StoreLive("Gamma", *level);
}

void TLiveKeys::MouseMove(int x, int y) {
  if (scene_.Settings.TermMouse) {
    if (std::abs(x - lastMouseX_) > 5 && lastMouseX_ != 0) scene_.TryEndSaver();
    else if (std::abs(y - lastMouseY_) > 5 && lastMouseY_ != 0) scene_.TryEndSaver();
  }
  lastMouseX_ = x;
  lastMouseY_ = y;
}

void TLiveKeys::StoreLive(const char* name, int value) {
  // A live key's change stays on screen whatever the store does; a write
  // that fails (a read-only settings directory, a full disk) is said once.
  std::string failure;
  try {
    if (!scene_.SetReg1->Write(name, value))
      failure = std::string("the settings key cannot be opened to store '") + name + "'";
  } catch (const ERegistryException& e) {
    failure = e.what();
  }
  if (failure.empty() || storeFailureReported_) return;
  storeFailureReported_ = true;
  std::fprintf(stderr, "Velmo: %s; changes made with the keys hold until the saver ends.\n", failure.c_str());
}

}  // namespace velmo
