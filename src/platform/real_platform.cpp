#include "platform/platform.h"

#include "platform/posix/dl_modules.h"
#include "platform/posix/hive_registry.h"
#include "platform/posix/thread_timer.h"
#include "platform/sdl/linux_system.h"
#include "platform/sdl/sdl_app.h"
#include "platform/sdl/sdl_display.h"
#include "platform/sdl/sdl_sound.h"
#include "platform/x11/x11_foreign.h"

namespace velmo {
namespace {

class Backends : public RealPlatform {
 public:
  Backends()
      : app_(MakeSdlApplication()),
        display_(MakeSdlDisplayDriver()),
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
  }

  Platform& platform() override { return platform_; }

 private:
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

std::unique_ptr<RealPlatform> MakeRealPlatform() { return std::make_unique<Backends>(); }

}  // namespace velmo
