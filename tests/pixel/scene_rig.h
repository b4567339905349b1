#pragma once
// The real scene window (TForm1) on the real SDL display layer, with the
// other services faked: the application hands out real (hidden) SDL windows,
// the store holds the mode and options asked for, sound and system calls are
// recorded. Shared by the composed-frame pixel tests and the benchmarks.
#include <SDL.h>

#include <memory>
#include <string>
#include <utility>

#include "components/ddmain.h"
#include "platform/fake/fake_app.h"
#include "platform/fake/fake_foreign.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_sound.h"
#include "platform/fake/fake_system.h"
#include "platform/sdl/sdl_display.h"
#include "scene/form1.h"

namespace velmo {

class SdlSceneWindow : public IWindow {
 public:
  SdlSceneWindow() { window_ = SDL_CreateWindow("velmo scene", 0, 0, 320, 240, SDL_WINDOW_HIDDEN); }
  ~SdlSceneWindow() override {
    if (window_) SDL_DestroyWindow(window_);
  }
  void SetEvents(WindowEvents) override {}
  void SetCaption(const std::string&) override {}
  void Show() override { SDL_ShowWindow(window_); }
  void Close() override { closed_ = true; }
  bool IsClosed() const override { return closed_; }
  void* NativeHandle() const override { return window_; }

 private:
  SDL_Window* window_ = nullptr;
  bool closed_ = false;
};

class SdlSceneApp : public FakeApplication {
 public:
  std::unique_ptr<IWindow> CreateWindow(const std::string&) override { return std::make_unique<SdlSceneWindow>(); }
};

struct SceneOptions {
  int width = 1024;
  int height = 768;
  int bits = 32;
  int birds = 10;
  bool clock = true;
  bool fps = true;
  int clockX = 0;  // 0: 90 pixels from the right edge
  int clockY = 90;
  int clockRad = 70;
  TColor clockColour = 0x0080FF;  // orange
};

class SceneRig {
 public:
  SceneRig(ITimerService& timer, const SceneOptions& options)
      : timer_(timer), options_(options), platform_{app, *display, timer_, registry, sound, system, modules, foreign} {
    const int clockX = options.clockX ? options.clockX : options.width - 90;
    const std::pair<const char*, uint32_t> values[] = {
        {"NumBirds", static_cast<uint32_t>(options.birds)},
        {"flag_clock", options.clock},
        {"flag_PlaySound", 0},
        {"flag_fps", options.fps},
        {"TermMouse", 1},
        {"Gamma", 256},
        {"flag_defres", 0},
        {"ResHor", static_cast<uint32_t>(options.width)},
        {"ResVert", static_cast<uint32_t>(options.height)},
        {"ColorDepth", static_cast<uint32_t>(options.bits)},
        {"clockX", static_cast<uint32_t>(clockX)},
        {"clockY", static_cast<uint32_t>(options.clockY)},
        {"clockRad", static_cast<uint32_t>(options.clockRad)},
        {"ColorClock", options.clockColour},
        {"SetSpeed", 1}};
    for (const auto& [name, value] : values) registry.PutDword(FakeRegistry::kVelmoKey, name, value);
  }
  ~SceneRig() { form.reset(); }

  // Construction and start-up; false when the scene did not get running
  // (Refusal() then tells why).
  bool Start() {
    form = std::make_unique<TForm1>(platform_);
    form->FormCreate();
    return form->FRunning;
  }
  std::string Refusal() const {
    std::string text;
    for (const auto& box : app.boxes) text += box.text + "; ";
    for (const auto& e : app.exceptions) text += e + "; ";
    return text;
  }
  void Compose() {
    bool done = true;
    form->ComposeFrame(done);
  }
  // The frame last handed to the window.
  const SDL_Surface* Presented() const { return PresentedFrame(form->DDmain1->GetFpDDSPrimary()); }

  // Declared first: SDL video is up before any window is made and down after the last goes.
  std::unique_ptr<IDisplayDriver> display = MakeSdlDisplayDriver();
  SdlSceneApp app;
  FakeRegistry registry;
  FakeSound sound;
  FakeSystem system;
  FakeModuleLoader modules;
  FakeForeignWindows foreign;
  std::unique_ptr<TForm1> form;

 private:
  ITimerService& timer_;
  SceneOptions options_;
  Platform platform_;
};

}  // namespace velmo
