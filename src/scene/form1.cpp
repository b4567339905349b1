#include "scene/form1.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <exception>
#include <memory>
#include <string>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/ddgamma.h"
#include "components/ddmain.h"
#include "components/ddtimer.h"
#include "components/dxclock.h"
#include "components/screen_scale.h"
#include "components/setreg.h"
#include "platform/shown_signal.h"
#include "resources/catalogue.h"
#include "scene/brightness.h"
#include "scene/password_check.h"
#include "scene/saver_ending.h"
#include "scene/saver_screens.h"
#include "scene/scene_layout.h"
#include "scene/scene_tick.h"
#include "scene/scene_window.h"
#include "scene/shared_tick.h"
#include "scene/sprite_layout.h"

namespace velmo {

namespace {

// The clock's hands move at the turn of the second, between the timer's ticks.
int MillisecondsToNextSecond() {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  const auto intoSecond = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
  return static_cast<int>(1000 - intoSecond) + 1;
}

}  // namespace

namespace {

TSaverOptions HostedIn(std::optional<uint64_t> hostWindow) {
  TSaverOptions options;
  if (hostWindow) {
    options.place = TSaverOptions::TPlace::Hosted;
    options.hostWindow = *hostWindow;
  }
  return options;
}

}  // namespace

TForm1::TForm1(Platform& platform, std::optional<uint64_t> hostWindow) : TForm1(platform, HostedIn(hostWindow)) {}

TForm1::TForm1(Platform& platform, const TSaverOptions& options, std::optional<TScreenPlace> place)
    : FOptions(options),
      FHosted(options.InWindow()),
      platform_(platform),
      keys_(*this, Settings, FPlacedClock, FEnded,
            TLiveKeyHooks{[this] { TryEndSaver(); },
                          [this](int level) {
                            if (OnBrightness) OnBrightness(level);
                          },
                          [this] { return FLayoutMoving && FLayoutMoving(); }}),
      place_(options.InWindow() ? std::nullopt : place) {
  SetName("Form1");
  window_ = MakeSceneWindow(platform_.app, options, place_,
                            WindowEvents{
                                [this](int key, uint32_t shift) { FormKeyDown(key, shift); },
                                [this](char c) { FormKeyPress(c); },
                                [this](uint32_t shift, int x, int y) { FormMouseMove(shift, x, y); },
                                [this] { FormClose(); },
                                [this] { TryEndSaver(); },
                                [this] { FormResize(); },
                                [this] { FormMouseDown(); },
                            });
  BuildSceneLayout(*this, *this, platform_, *window_,
                   TSceneHandlers{[this](Component* s) { DDmain1Error(s); },
                                  [this](Component* s) { DDani1birdError(s); },
                                  [this](Component* s) { DDtimer1Timer(s); },
                                  [this](Component* s) { DDtimer1ZasTime(s); }});
}

TForm1::~TForm1() {
  *alive_ = false;
  // However the loop ended, the timer stops before anything it reads goes
  // and the desktop gets its display back.
  if (!FEnded) StopComponents();
  // What the keys changed is stored while the store is still there.
  keys_.Flush();
}

void TForm1::LoadSettingsCopies() {
  const bool stored = LoadSceneSettings(*SetReg1, platform_.display, FOptions, Settings);
  // Without stored settings a window's clock is the window's own default
  // (a daemon's window on a larger monitor than the desktop's first), laid
  // out anew at every size the window takes.
  FClockOfWindow = FHosted && !stored;
}

void TForm1::FitToPlace() {
  if (place_) {
    ownMode_ = FitToArea(Settings, place_->area, IsPrimary());
  } else if (FHosted) {
    int width = 0, height = 0;
    if (!window_->GetClientSize(width, height)) width = height = 0;
    FitToWindow(Settings, width, height);
    if (FClockOfWindow) DefaultClockPlacement(Settings.ResHor, Settings.ResVert, FPlacedClock.x, FPlacedClock.y, FPlacedClock.rad);
  }
}

void TForm1::FormCreate() {
  if (FOwnsLoop) platform_.app.SetIdleHandler([this](bool& done) { ComposeFrame(done); });
  FFlipParity = false;
  FSeaFrame = 0;

  try {
    LoadSettingsCopies();
  } catch (const std::exception& e) {
    // The rest of the start-up is skipped: nothing was opened, so the saver
    // simply ends after the message.
    platform_.app.ShowException(e.what());
    FEnded = true;
    FFailed = true;
    window_->Close();
    return;
  }

  if (FOptions.place == TSaverOptions::TPlace::Hosted) {
    // A daemon runs a saver per monitor: one clock, one frame-rate text and
    // one surf for them all, on the primary monitor.
    Rect area;
    if (window_->GetDesktopArea(area) && !HoldsTheSurf(area, platform_.display.Monitors(), FOptions.saverIndex))
      Settings.flag_clock = Settings.flag_fps = Settings.flag_PlaySound = false;
  }
  FPlacedClock = ClockPlaceOf(Settings);
  FitToPlace();

  DDmain1->SetWidth(Settings.ResHor);
  DDmain1->SetHeight(Settings.ResVert);
  DDmain1->SetColorDepth(Settings.ColorDepth);
  window_->Show();
  DDmain1->SetEnabled(true);
  if (FEnded) return;  // the display refused: its handler has ended the saver
  DDmain1->ClearBackSurface();
  DDmain1->FlipSurfaces();
  DDmain1->SetshowFPS(Settings.flag_fps);
  if (FEnded) return;
  composer_.DisplayOpened();

  DDtimer1->SetInterval(IntervalOfSpeed(Settings.SetSpeed));

  LoadPictureInto("Image1ground", *DDbmp1ground);
  LoadPictureInto("Image1sea", *DDani1sea);
  LayOutSprites(*this, Settings, FPlacedClock, FEnded);
  if (FEnded) return;  // the large gull's handler has ended the saver

  // Scenes of several monitors start in the same second and, on one timer,
  // draw in step: each other monitor's place goes into its seed, or it would
  // fly the primary's very flock.
  uint32_t seed = static_cast<uint32_t>(std::time(nullptr));
  if (!IsPrimary()) seed ^= static_cast<uint32_t>(place_->area.left) * 2654435761u ^ static_cast<uint32_t>(place_->area.top) * 40503u ^ 0x9e3779b9u;
  random_.Seed(seed);
  InitBirds(FBirds, DDmain1->GetHeight(), ScaleOfScreen(DDmain1->GetWidth(), DDmain1->GetHeight()));

  ApplyBrightness();

  DXClock1->SetColor(Settings.ColorClock);
  // The saver flag and the cursor belong to the whole saver: its primary scene.
  const bool ownsDesktop = !FHosted && IsPrimary();
  if (ownsDesktop) platform_.system.SetScreenSaverRunning(true);
  FRunning = true;
  SetTicking(true);
  if (Settings.flag_PlaySound) StartSound();
  if (ownsDesktop) platform_.app.ShowCursor(false);  // the daemon's cursor is the daemon's
}

void TForm1::FollowArea(const Rect& area) {
  if (!place_ || FHosted) return;
  place_->area = area;
  window_->SetCoverArea(area);
  resizePending_ = true;
}

void TForm1::SetBrightness(int level) {
  Settings.Gamma = std::clamp(level, 0, 256);
  if (FRunning) ApplyBrightness();
}

void TForm1::FormResize() {
  // Resizes come in bursts while a window is dragged: the next frame lays
  // the scene out once, at the size the window has then.
  if (FHosted) resizePending_ = true;
}

void TForm1::FormClose() {
  if (!FEnded) EndSaver();
  else if (!window_->IsClosed()) window_->Close();
}

void TForm1::FollowHostWindow() {
  resizePending_ = false;
  int width = 0, height = 0;
  if (place_) {
    // A monitor's area may move at the same size: the window follows it.
    width = place_->area.right - place_->area.left;
    height = place_->area.bottom - place_->area.top;
  } else if (!window_->GetClientSize(width, height) || (width == Settings.ResHor && height == Settings.ResVert)) {
    return;
  }
  const int32_t oldWidth = Settings.ResHor;
  const int32_t oldHeight = Settings.ResVert;
  // The timer reads the size and moves the gulls: it rests meanwhile. The
  // sprites give back the surfaces of the old display before it closes, and
  // the display opens again at the window's size, as at start-up.
  SetTicking(false);
  for (TDDani* sprite : {DDani1sea, DDani1bird, DDani1birds_small}) sprite->CloseSurface();
  for (TDDbmp* sprite : {DDbmp1ground, DDbmp1stone}) sprite->CloseSurface();
  DDmain1->SetEnabled(false);
  FitToPlace();
  DDmain1->SetWidth(Settings.ResHor);
  DDmain1->SetHeight(Settings.ResVert);
  DDmain1->SetEnabled(true);
  if (FEnded) return;  // the display refused: its handler has ended the saver
  LayOutSprites(*this, Settings, FPlacedClock, FEnded);
  if (FEnded) return;
  FitBirds(FBirds, oldWidth, oldHeight, Settings.ResHor, Settings.ResVert);
  ApplyBrightness();
  composer_.DisplayOpened();
  SetTicking(true);
}

void TForm1::ApplyBrightness() { velmo::ApplyBrightness(*DDgamma1, Settings.Gamma); }

void TForm1::StartSound() {
  // Silence is the answer to any failure: the saver never waits on sound.
  if (const resources::Resource* clip = resources::Find("SoundName", "WAVE")) {
    platform_.sound.PlayLoop(clip->data, ClipMemory::FileMapped);
    GiveBackStartUpMemory();  // the decoded clip's temporaries
  }
}

void TForm1::ComposeFrame(bool& done) {
  done = false;
  if (!FRunning) {
    done = true;  // nothing to draw before start-up finished or after the end
    return;
  }
  if (resizePending_) {
    FollowHostWindow();
    if (!FRunning) return;  // an error handler ended the saver
  }
  if (composer_.ComposeAndFlip(FComposeWhole)) {
    FFlipParity = !FFlipParity;
    // Full screen, the saver is ready once keys typed reach it, not merely
    // once it shows (the keyboard focus may follow a mode change later).
    if (FRunning && !readySaid_ && (FHosted || window_->HoldsKeyboard())) {
      readySaid_ = true;
      SignalShown();
    }
  }
  if (!FRunning || !composer_.RedrawsParts()) return;
  // Only what changed is drawn: nothing more until the loop is woken, by the
  // timer's tick (the sea and the gulls moved) or by the clock's next second.
  done = true;
  if (Settings.flag_clock) platform_.app.WakeWithin(MillisecondsToNextSecond());
}

void TForm1::DrawBird(int i) { composer_.DrawBird(FBirds[i]); }

void TForm1::SetTicking(bool on) {
  if (FSharedTick && !IsPrimary()) {
    if (on) FSharedTick->Join(*this);
    else FSharedTick->Leave(*this);
    return;
  }
  DDtimer1->SetEnabled(on);
}

bool TForm1::Ticking() const {
  return FSharedTick && !IsPrimary() ? FSharedTick->Joined(*this) : DDtimer1->GetEnabled();
}

void TForm1::DDtimer1Timer(Component*) {
  TickScene(*this, *DDmain1, Settings, random_);
  // The other monitors' scenes move at the same tick: one wake for them all.
  if (FSharedTick) FSharedTick->Tick(FSeaFrame.load(std::memory_order_relaxed));
  platform_.app.Wake();  // the loop draws only when woken
}

void TForm1::TickAt(int32_t seaFrame) { TickScene(*this, *DDmain1, Settings, random_, seaFrame); }

void TForm1::FormKeyDown(int key, uint32_t shift) {
  if (FKeyTarget) FKeyTarget->FormKeyDown(key, shift);
  else keys_.KeyDown(key);
}

void TForm1::FormKeyPress(char key) {
  if (FKeyTarget) FKeyTarget->FormKeyPress(key);
  else keys_.KeyPress(key);
}

void TForm1::FormMouseMove(uint32_t shift, int x, int y) {
  // One pointer and one last position for the whole desktop.
  if (FKeyTarget) FKeyTarget->FormMouseMove(shift, x, y);
  else keys_.MouseMove(x, y);
}

void TForm1::FormMouseDown() {
  if (FKeyTarget) FKeyTarget->FormMouseDown();
  else keys_.MouseDown();
}

// The end: input that asks to end (and the password, where the system has
// one), the end itself in order, an error's box, and the scene of a monitor
// that went away.

void TForm1::TryEndSaver() {
  // An attempt after the end finds the display closed; it is ignored rather
  // than reported as a display error.
  if (FEnding || FEnded) return;
  FEnding = true;
  if (!FFlipParity) DDmain1->FlipSurfaces();
  if (IsPrimary()) platform_.app.ShowCursor(true);
  if (VerifyPassword(window_.get())) {
    EndSaver();
  } else {
    if (!Ticking()) SetTicking(true);
    if (IsPrimary()) platform_.app.ShowCursor(false);
  }
  FEnding = false;
}

bool TForm1::VerifyPassword(IWindow*) { return SaverPasswordAccepted(platform_); }

void TForm1::EndSaver() {
  StopAll();
  window_->Close();
  ReportEnded();
}

void TForm1::Retire() {
  endedReported_ = true;
  if (!FEnded) StopAll();
  window_->Close();
}

void TForm1::ReportEnded() {
  if (endedReported_) return;
  endedReported_ = true;
  if (OnEnded) OnEnded();
}

void TForm1::StopAll() {
  StopComponents();
  keys_.Flush();  // what the keys changed is on disk before anything can end the process
  // The surf and the saver flag are the primary scene's.
  if (IsPrimary()) GiveBackDesktop(platform_, FHosted);
}

void TForm1::StopComponents() {
  FRunning = false;
  FEnded = true;
  SetTicking(false);
  ReleaseSceneComponents(*this, *this);
}

void TForm1::DDmain1Error(Component*) {
  ShowErrorAndEnd(DDmain1->GetErrorResult());
}

void TForm1::DDani1birdError(Component*) {
  ShowErrorAndEnd(DDani1bird ? DDani1bird->GetErrorResult() : std::string());
}

void TForm1::ShowErrorAndEnd(const std::string& text) {
  // Everything stops before the box: it then shows over the desktop rather
  // than under the full-screen window, with no sound looping and the
  // desktop's blanker free while it waits for the user.
  StopAll();
  FFailed = true;
  if (BeforeBox) BeforeBox();
  platform_.app.MessageBox(window_.get(), text, "ERROR", MB_OK);
  window_->Close();
  ReportEnded();
}

void TForm1::DDtimer1ZasTime(Component*) {
  // Runs on the timer's thread: the end itself belongs to the loop's thread.
  std::weak_ptr<bool> alive = alive_;
  platform_.app.Post([this, alive] {
    if (auto a = alive.lock(); a && *a) EndSaver();
  });
}

}  // namespace velmo
