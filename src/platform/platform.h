#pragma once
// The services the program is written against, bundled. The real program
// gets the real backends (MakeRealPlatform); tests assemble fakes.
#include <memory>

#include "platform/display.h"
#include "platform/preview.h"
#include "platform/registry.h"
#include "platform/sound.h"
#include "platform/system.h"
#include "platform/timer.h"
#include "platform/window.h"

namespace velmo {

struct Platform {
  IApplication& app;
  IDisplayDriver& display;
  ITimerService& timer;
  IRegistry& registry;
  ISound& sound;
  ISystem& system;
  IModuleLoader& modules;
  IForeignWindows& foreign;
};

// Owns the real backends; platform() hands out the bundle.
class RealPlatform {
 public:
  virtual ~RealPlatform() = default;
  virtual Platform& platform() = 0;
};

// The real services of a run mode, over SDL: the saver, the preview and the
// password change run SDL's loop; the settings dialog runs Qt's but takes
// the display modes it offers (SDL's video) and the store from here, and
// its error boxes before Qt is up. fullScreenSaver: the
// saver covering every monitor, which on a Wayland compositor that offers
// full-screen surfaces and a seat gets the Wayland backend of its own.
std::unique_ptr<RealPlatform> MakeRealPlatform(bool fullScreenSaver = false);

}  // namespace velmo
