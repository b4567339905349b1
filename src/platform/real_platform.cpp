#include "platform/platform.h"

#include <cstdlib>

#include "platform/posix/dl_modules.h"
#include "platform/posix/hive_registry.h"
#include "platform/posix/thread_timer.h"
#include "platform/sdl/linux_system.h"
#include "platform/sdl/sdl_app.h"
#include "platform/sdl/sdl_display.h"
#include "platform/sdl/sdl_sound.h"
#include "platform/wayland/wayland_app.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_display.h"
#include "platform/x11/x11_foreign.h"

namespace velmo {
namespace {

// The full-screen saver on a Wayland compositor uses the Wayland backend,
// unless SDL_VIDEODRIVER asks for one of SDL's drivers (its Wayland one too).
std::unique_ptr<WaylandConnection> WaylandForSaver(bool fullScreenSaver) {
  if (!fullScreenSaver) return nullptr;
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver && *driver) return nullptr;
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (!name || !*name) return nullptr;
  return OpenWaylandConnection();
}

class Backends : public RealPlatform {
 public:
  explicit Backends(bool fullScreenSaver)
      : wayland_(WaylandForSaver(fullScreenSaver)),
        app_(wayland_ ? MakeWaylandApplication(*wayland_) : MakeSdlApplication()),
        display_(wayland_ ? MakeWaylandDisplayDriver(*wayland_) : MakeSdlDisplayDriver()),
        timer_(MakeThreadTimerService()),
        registry_(MakeHiveRegistry()),
        sound_(MakeSdlSound()),
        system_(MakeLinuxSystem()),
        modules_(MakeDlModuleLoader()),
        foreign_(MakeX11ForeignWindows()),
        platform_{*app_, *display_, *timer_, *registry_, *sound_, *system_, *modules_, *foreign_} {}

  ~Backends() override {
    // Sound and display go before the loop's video system does.
    sound_.reset();
    display_.reset();
    app_.reset();
  }

  Platform& platform() override { return platform_; }

 private:
  std::unique_ptr<WaylandConnection> wayland_;  // outlives what uses it
  std::unique_ptr<IApplication> app_;
  std::unique_ptr<IDisplayDriver> display_;
  std::unique_ptr<ITimerService> timer_;
  std::unique_ptr<IRegistry> registry_;
  std::unique_ptr<ISound> sound_;
  std::unique_ptr<ISystem> system_;
  std::unique_ptr<IModuleLoader> modules_;
  std::unique_ptr<IForeignWindows> foreign_;
  Platform platform_;
};

}  // namespace

std::unique_ptr<RealPlatform> MakeRealPlatform(bool fullScreenSaver) {
  return std::make_unique<Backends>(fullScreenSaver);
}

}  // namespace velmo
