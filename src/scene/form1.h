#pragma once
// The saver window: owns every component of the scene (TSceneParts) and
// the state the timer moves (TSceneMotion), and hands each room what it
// works on (the window factory, the settings fit, the sprite layout, the
// frame composer, the tick, the live keys, the ending). It starts them in
// order, lays the scene out again when its window or monitor changes, and
// stops them in order.
#include <array>
#include <functional>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <optional>

#include "components/component.h"
#include "platform/colour.h"
#include "platform/platform.h"
#include "scene/bird_flight.h"
#include "scene/frame_composer.h"
#include "scene/live_keys.h"
#include "scene/saver_options.h"
#include "scene/scene_parts.h"
#include "scene/scene_tick.h"
#include "scene/settings_fit.h"
#include "scene/shared_tick.h"
#include "setup/settings.h"

namespace velmo {

class TForm1 : public Component, public TSceneParts, public TSceneMotion, public ITickedScene {
 public:
  // hostWindow: the window a screen-saver daemon gave the saver (an X window
  // id, 0 for the screen's root). The saver then draws into it at its size,
  // changes no display mode and leaves the input to the daemon.
  explicit TForm1(Platform& platform, std::optional<uint64_t> hostWindow = std::nullopt);
  // options: where it draws (full screen, a daemon's window, a window of its
  // own) and the settings the command line gives. place: the monitor a
  // full-screen scene covers, one of several; without one the scene covers
  // the default display.
  TForm1(Platform& platform, const TSaverOptions& options, std::optional<TScreenPlace> place = std::nullopt);
  ~TForm1() override;

  IWindow& Window() { return *window_; }

  // Start-up, run once before the loop.
  void FormCreate();

  // Idle handler and timer tick.
  void ComposeFrame(bool& done);
  void DDtimer1Timer(Component* sender);
  // A tick of the timer shared with the other monitors' scenes: the gulls
  // fly a step, the sea shows seaFrame. The timer's thread.
  void TickAt(int32_t seaFrame) override;
  void ShowSeaFrame(int32_t seaFrame) override { FSeaFrame.store(seaFrame, std::memory_order_relaxed); }
  void DrawBird(int i);

  // Input.
  void FormKeyDown(int key, uint32_t shift);
  void FormKeyPress(char key);
  void FormMouseMove(uint32_t shift, int x, int y);
  void FormMouseDown();
  // The window (a daemon's, or our own resizable one) changed size: the
  // next frame is laid out anew for it.
  void FormResize();
  // The window's own end (the daemon's signal, its close button): the saver
  // ends, or, already ended, the window goes.
  void FormClose();

  // Ending.
  void TryEndSaver();
  bool VerifyPassword(IWindow* window);
  void EndSaver();
  void StopComponents();
  void DDmain1Error(Component* sender);
  void DDani1birdError(Component* sender);
  void DDtimer1ZasTime(Component* sender);

  // The window's own copy of the settings, under their names (clamped where
  // the scene takes them; the store keeps what it holds).
  TSaverSettings Settings;
  // The clock as the store holds it (or as the arrow keys last put it): each
  // layout fits it to the screen anew (FitClockTo), so a clock moved to fit
  // a smaller screen goes back once the screen is large again.
  TClockPlace FPlacedClock;
  // The store held no settings and this is a window's scene: the clock is
  // placed by default at the window's size, whatever size that is.
  bool FClockOfWindow = false;

  bool FFlipParity = false;
  bool FEnding = false;
  // True once start-up has finished and until the end: only then is a frame drawn.
  bool FRunning = false;
  // True once the saver has ended (or its start was cut short).
  bool FEnded = false;
  // True when it ended on an error it showed (a refused mode, an unreadable
  // setting, a display or sprite failure): the program then exits non-zero.
  bool FFailed = false;
  // Where it draws and what the command line gave.
  const TSaverOptions FOptions;
  // Drawing into a window at its size (a daemon's, or one of its own from a
  // shell) rather than owning the screen: the store is only read, the
  // display mode and the cursor are left alone.
  const bool FHosted;

  // Scenes on several monitors: set before FormCreate. OwnsLoop false: the
  // caller installs the idle handler and composes this scene's frames.
  bool FOwnsLoop = true;
  // Called once when this scene has ended by itself (input, an error, a
  // stall), so that the scenes on the other monitors end with it.
  std::function<void()> OnEnded;
  // Called when this scene has stopped on an error, before its box: the
  // other monitors' scenes, the timer and the surf stop first, so nothing
  // runs on while the box waits. Null: this scene is all there is.
  std::function<void()> BeforeBox;
  // Keys typed on this scene's monitor act on that scene (the one with the
  // clock); null: on this one.
  TForm1* FKeyTarget = nullptr;
  // True while the monitors' layout has just changed, when the window
  // system may have moved the pointer; null: never.
  std::function<bool()> FLayoutMoving;
  // The frame timer of every monitor's scene: the primary's timer ticks the
  // scenes joined to it; the others join it instead of running their own.
  // Set before FormCreate; null: the scene's own timer alone.
  TSharedTick* FSharedTick = nullptr;
  // The scenes composed before this one in the same turn: the first laid
  // out as this one lends it its sea band when it shows the same sea frame
  // (see TFrameComposer::ShareBandOf).
  void ShareBandOf(const TFrameComposer* const* earlier, size_t count) { composer_.ShareBandOf(earlier, count); }
  const TFrameComposer* Composer() const { return &composer_; }
  // Called after a brightness key changed the level, with the new level.
  std::function<void(int)> OnBrightness;
  bool IsPrimary() const { return !place_ || place_->primary; }
  // The brightness of the scene's picture (0..256), as the other monitors follow it.
  void SetBrightness(int level);
  // The monitor's area moved or changed size: the next frame lays the scene
  // out anew over the new area.
  void FollowArea(const Rect& area);
  // Stores now what the live keys changed and has not been written yet
  // (it is written once the keys rest, and at the end).
  void StoreKeyChanges() { keys_.Flush(); }
  // Ends this scene alone, without OnEnded (its monitor went away).
  void Retire();
  // Where it is (the monitor's area), if it covers one.
  std::optional<Rect> Area() const {
    return place_ ? std::optional<Rect>(place_->area) : std::nullopt;
  }
  // True while this scene shows the display mode chosen in the settings
  // rather than its monitor's own.
  bool InModeOfItsOwn() const { return ownMode_; }

  // Where the display keeps the back buffer across a flip, a frame redraws
  // only what changed since the one before (the sea when it rolls, each gull's
  // old and new place, the clock when its second turns, the frame-rate text),
  // giving the very picture a whole composition gives. True: compose every
  // frame whole (tests compare the two).
  bool FComposeWhole = false;

 private:
  void LoadSettingsCopies();
  // The settings fitted to the daemon's window or the monitor's area.
  void FitToPlace();
  // Opens the display again at the daemon's window's new size and lays the
  // scene out for it, the gulls going on where they were.
  void FollowHostWindow();
  void ApplyBrightness();
  void StartSound();
  // The scene's frame timer on or off: its own, or its place in the shared one.
  void SetTicking(bool on);
  bool Ticking() const;
  // Timer, sprites, display, sound and the saver-running flag, in that order.
  void StopAll();
  void ShowErrorAndEnd(const std::string& text);

  Platform& platform_;
  std::unique_ptr<IWindow> window_;
  TRandom15 random_;
  bool resizePending_ = false;
  TFrameComposer composer_{*this, *this, Settings, FRunning};
  TLiveKeys keys_;
  bool readySaid_ = false;  // the readiness line went out
  // Work posted to the loop checks this before touching the window.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::optional<TScreenPlace> place_;
  bool ownMode_ = false;
  bool endedReported_ = false;
  void ReportEnded();
};

}  // namespace velmo
