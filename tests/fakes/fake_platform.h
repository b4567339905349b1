#pragma once
// Every service the scene uses, faked, bundled as the real program bundles
// the real ones.
#include "platform/fake/fake_app.h"
#include "platform/fake/fake_display.h"
#include "platform/fake/fake_foreign.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_sound.h"
#include "platform/fake/fake_system.h"
#include "platform/fake/fake_timer.h"
#include "platform/platform.h"

namespace velmo {

struct FakePlatform {
  FakeApplication app;
  FakeDisplayDriver display;
  FakeTimerService timer;
  FakeRegistry registry;
  FakeSound sound;
  FakeSystem system;
  FakeModuleLoader modules;
  FakeForeignWindows foreign;
  Platform platform{app, display, timer, registry, sound, system, modules, foreign};
};

}  // namespace velmo
