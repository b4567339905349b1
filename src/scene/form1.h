#pragma once
// The saver window: owns every component of the scene, starts them from the
// stored settings, composes a frame whenever the loop is idle, moves the sea
// and the gulls on the timer's thread, reacts to input and ends in order.
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
#include "scene/saver_options.h"
#include "setup/settings.h"

namespace velmo {

class TDDmain;
class TDDbmp;
class TDDani;
class TDXClock;
class TDDtimer;
class TDDgamma;
class TSetReg;

// One monitor of the desktop that a full-screen scene covers.
struct TScreenPlace {
  Rect area;  // the monitor's part of the desktop
  // The primary monitor's scene shows the clock and the frame-rate text,
  // plays the surf and takes the display mode chosen in the settings; the
  // others show the scene at their monitor's own mode.
  bool primary = true;
};

class TForm1 : public Component {
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
  void DrawBird(int i);

  // Input.
  void FormKeyDown(int key, uint32_t shift);
  void FormKeyPress(char key);
  void FormMouseMove(uint32_t shift, int x, int y);
  // The window (a daemon's, or our own resizable one) changed size: the
  // next frame is laid out anew for it.
  void FormResize();

  // Ending.
  void TryEndSaver();
  bool VerifyPassword(IWindow* window);
  void EndSaver();
  void StopComponents();
  void DDmain1Error(Component* sender);
  void DDani1birdError(Component* sender);
  void DDtimer1ZasTime(Component* sender);

  // The components, created by the scene's layout; a freed sprite is null.
  TDDmain* DDmain1 = nullptr;
  TDDbmp* DDbmp1ground = nullptr;
  TDDbmp* DDbmp1stone = nullptr;
  TDDani* DDani1sea = nullptr;
  TDDani* DDani1bird = nullptr;
  TDDani* DDani1birds_small = nullptr;
  TDXClock* DXClock1 = nullptr;
  TDDtimer* DDtimer1 = nullptr;
  TDDgamma* DDgamma1 = nullptr;
  TSetReg* SetReg1 = nullptr;

  // The window's own copy of the settings, under their names (clamped where
  // the scene takes them; the store keeps what it holds).
  TSaverSettings Settings;

  // Shared with the timer's thread: 32-bit values written whole, no lock.
  std::atomic<int32_t> FSeaFrame{0};
  TBirdTable FBirds;
  bool FFlipParity = false;
  bool FEnding = false;
  // True once start-up has finished and until the end: only then is a frame drawn.
  bool FRunning = false;
  // True once the saver has ended (or its start was cut short).
  bool FEnded = false;
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
  // Keys typed on this scene's monitor act on that scene (the one with the
  // clock); null: on this one.
  TForm1* FKeyTarget = nullptr;
  // Called after a brightness key changed the level, with the new level.
  std::function<void(int)> OnBrightness;
  bool IsPrimary() const { return !place_ || place_->primary; }
  // The brightness of the scene's picture (0..256), as the other monitors follow it.
  void SetBrightness(int level);
  // The monitor's area moved or changed size: the next frame lays the scene
  // out anew over the new area.
  void FollowArea(const Rect& area);
  // Ends this scene alone, without OnEnded (its monitor went away).
  void Retire();
  // Where it is (the monitor's area), if it covers one.
  std::optional<Rect> Area() const {
    return place_ ? std::optional<Rect>(place_->area) : std::nullopt;
  }
  // True while this scene shows the display mode chosen in the settings
  // rather than its monitor's own.
  bool InModeOfItsOwn() const { return ownMode_; }

  // Timer interval of a speed setting.
  static int IntervalOfSpeed(int setSpeed);

  // Where the display keeps the back buffer across a flip, a frame redraws
  // only what changed since the one before (the sea when it rolls, each gull's
  // old and new place, the clock when its second turns, the frame-rate text),
  // giving the very picture a whole composition gives. True: compose every
  // frame whole (tests compare the two).
  bool FComposeWhole = false;

 private:
  // What a frame shows, read once per frame from the state the timer's
  // thread moves, so that what is redrawn and what is drawn agree.
  struct TShownBird {
    int32_t x = 0, y = 0, frame = 0, small = 0;
    bool operator==(const TShownBird&) const = default;
  };
  struct TShownState {
    int32_t birdCount = 0;
    bool clockOn = false, fpsOn = false;
    int32_t sea = 0;
    std::array<TShownBird, kBirdCount> birds{};
    int32_t clockSecond = -1;
    Rect clock{};
    TColor clockColour = 0;
  };
  TShownState ReadShownState() const;
  void ComposeWhole(const TShownState& now);
  // Redraws what changed since the frame shown; false when nothing did.
  // fpsText: the flip is to draw the frame-rate text (its box was redrawn).
  bool ComposeChanged(const TShownState& now, bool& fpsText);
  // Nothing more to draw until the loop is woken: the timer's tick wakes it,
  // and the clock's next second, asked for here.
  void WaitForChange(bool& done);
  // Clear, sky, sea, rocks and gulls, as far as the back surface's clip lets them.
  void DrawLayers(const TShownState& now);
  void DrawShownBird(const TShownBird& bird);
  Rect BirdBox(const TShownBird& bird) const;
  // The display opened (again): whether it can redraw parts, and nothing shown yet.
  void DisplayOpened();
  void AddDirty(const Rect& r);
  TShownState shown_;
  bool haveShown_ = false;
  bool partialRedraw_ = false;  // the display keeps the back buffer's pixels
  std::array<Rect, 2 * kBirdCount + 4> dirty_{};
  int dirtyCount_ = 0;

  void LoadSettingsCopies();
  void FitToHostWindow();
  // The scene's size for a monitor's area: its settings take the area's size.
  void FitToArea();
  // Sizes and places every sprite for the open display and makes its surfaces.
  void LayOutSprites();
  // What only start-up needed goes back to the system.
  void GiveBackStartUpMemory();
  // Opens the display again at the daemon's window's new size and lays the
  // scene out for it, the gulls going on where they were.
  void FollowHostWindow();
  void ApplyBrightness();
  void StartSound();
  // The clock's centre on the screen and its radius within what fits.
  void FitClockTo(int32_t width, int32_t height);
  // One value changed by a live key, written at once; never ends the saver.
  void StoreLive(const char* name, int value);
  void FreeSprite(auto*& sprite);
  // Timer, sprites, display, sound and the saver-running flag, in that order.
  void StopAll();
  void ShowErrorAndEnd(const std::string& text);
  // The band the clock's centre stays in, as the arrow keys keep it.
  int ClockMin() const { return Settings.clockRad + 20; }
  int ClockMaxX() const { return Settings.ResHor - Settings.clockRad - 20; }
  int ClockMaxY() const { return Settings.ResVert - Settings.clockRad - 20; }

  Platform& platform_;
  std::unique_ptr<IWindow> window_;
  TRandom15 random_;
  int32_t timerHeight_ = 0;  // read by the tick; fixed once the display is open
  int lastMouseX_ = 0;
  int lastMouseY_ = 0;
  bool storeFailureReported_ = false;
  bool resizePending_ = false;
  // Where the settings put the clock and its size; a daemon's window keeps
  // them as near as it can.
  int placedClockX_ = 0;
  int placedClockY_ = 0;
  int placedClockRad_ = 0;
  // Work posted to the loop checks this before touching the window.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::optional<TScreenPlace> place_;
  bool ownMode_ = false;
  bool endedReported_ = false;
  void ReportEnded();
};

// Saver mode: the scene window as the application's main window, until it
// closes; with a host window, inside that window until the daemon ends us.
void RunSaver(Platform& platform, const TSaverOptions& options = {});

}  // namespace velmo
