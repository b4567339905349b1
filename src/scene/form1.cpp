#include "scene/form1.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <ctime>
#include <malloc.h>

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
#include "scene/picture_frame.h"
#include "scene/saver_screens.h"
#include "scene/scene_layout.h"
#include "setup/settings.h"

namespace velmo {

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
      place_(options.InWindow() ? std::nullopt : place) {
  SetName("Form1");
  const uint64_t hostWindow = options.hostWindow;
  if (options.place == TSaverOptions::TPlace::Hosted) {
    window_ = platform_.app.CreateHostedWindow(hostWindow);
    if (!window_) {
      char id[32];
      std::snprintf(id, sizeof id, "0x%llx", static_cast<unsigned long long>(hostWindow));
      throw std::runtime_error(hostWindow == 0 ? std::string("The screen cannot be drawn on.")
                                                : "The window " + std::string(id) + " cannot be drawn into.");
    }
    // Keys and the mouse belong to the daemon; it ends us with a signal,
    // which arrives as a close of the window.
    window_->SetEvents(WindowEvents{nullptr, nullptr, nullptr,
                                    [this] {
                                      if (!FEnded) EndSaver();
                                      else if (!window_->IsClosed()) window_->Close();
                                    },
                                    nullptr,
                                    [this] { FormResize(); }});
  } else if (options.place == TSaverOptions::TPlace::Window) {
    // Tried from a shell, as any display program of a daemon is: the
    // authored 800 x 600 in a window of its own, ended by its close button,
    // q or Escape; the mouse is free to move over it.
    window_ = platform_.app.CreateResizableWindow("Velmo", 800, 600);
    if (!window_) throw std::runtime_error("The saver window cannot be created.");
    window_->SetEvents(WindowEvents{[this](int key, uint32_t) {
                                      if ((key == VK_ESCAPE || key == 'Q') && !FEnded) EndSaver();
                                    },
                                    nullptr, nullptr,
                                    [this] {
                                      if (!FEnded) EndSaver();
                                      else if (!window_->IsClosed()) window_->Close();
                                    },
                                    nullptr, [this] { FormResize(); }});
  } else {
    window_ = place_ ? platform_.app.CreateWindowOver("Velmo", place_->area) : platform_.app.CreateWindow("Velmo");
    if (!window_) throw std::runtime_error("The saver window cannot be created.");
    window_->SetEvents(WindowEvents{
        [this](int key, uint32_t shift) { FormKeyDown(key, shift); },
        [this](char c) { FormKeyPress(c); },
        [this](uint32_t shift, int x, int y) { FormMouseMove(shift, x, y); },
        [this] { TryEndSaver(); },
        // Another program took the focus, or the window was hidden: the
        // user is back at the desktop, so the saver ends as on input.
        [this] { TryEndSaver(); },
        nullptr,  // its size is the display mode's
    });
  }
  BuildSceneLayout(*this, platform_);
}

TForm1::~TForm1() {
  *alive_ = false;
  // However the loop ended, the timer stops before anything it reads goes
  // and the desktop gets its display back.
  if (!FEnded) StopComponents();
}

int TForm1::IntervalOfSpeed(int setSpeed) {
  if (setSpeed == 0) return 60;
  if (setSpeed == 2) return 40;
  return 50;
}

void TForm1::LoadSettingsCopies() {
  // In a window the store is only read, for the clock's place, size and
  // colour: the other settings are the command line's and its defaults.
  LoadSettings(*SetReg1, platform_.display, Settings, FHosted ? TStoreAccess::kReadOnly : TStoreAccess::kReadWrite);
  FOptions.ApplyTo(Settings);
  // The gull table has ten places and the ramp 0..256 steps; values edited
  // by hand outside those ranges are taken to the nearest end here, while
  // the store keeps what it holds.
  Settings.NumBirds = std::clamp(Settings.NumBirds, 0, kBirdCount);
  Settings.Gamma = std::clamp(Settings.Gamma, 0, 256);
  Settings.clockRad = std::max(Settings.clockRad, 0);
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
    window_->Close();
    return;
  }

  if (FOptions.place == TSaverOptions::TPlace::Hosted && Settings.flag_PlaySound) {
    // A daemon runs a saver per monitor: one surf for them all.
    Rect area;
    if (window_->GetDesktopArea(area))
      Settings.flag_PlaySound = HoldsTheSurf(area, platform_.display.Monitors(), FOptions.saverIndex);
  }
  if (FHosted) {
    placedClockX_ = Settings.clockX;
    placedClockY_ = Settings.clockY;
    placedClockRad_ = Settings.clockRad;
    FitToHostWindow();
  } else if (place_) {
    FitToArea();
  }

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
  DisplayOpened();

  DDtimer1->SetInterval(IntervalOfSpeed(Settings.SetSpeed));

  LoadPictureInto("Image1ground", *DDbmp1ground);
  LoadPictureInto("Image1sea", *DDani1sea);
  LayOutSprites();
  if (FEnded) return;  // the large gull's handler has ended the saver

  random_.Seed(static_cast<uint32_t>(std::time(nullptr)));
  InitBirds(FBirds, DDmain1->GetHeight(), ScaleOfScreen(DDmain1->GetWidth(), DDmain1->GetHeight()));

  ApplyBrightness();

  DXClock1->SetColor(Settings.ColorClock);
  // The saver flag and the cursor belong to the whole saver: its primary scene.
  const bool ownsDesktop = !FHosted && IsPrimary();
  if (ownsDesktop) platform_.system.SetScreenSaverRunning(true);
  FRunning = true;
  DDtimer1->SetEnabled(true);
  if (Settings.flag_PlaySound) StartSound();
  if (ownsDesktop) platform_.app.ShowCursor(false);  // the daemon's cursor is the daemon's
}

void TForm1::LayOutSprites() {
  // Every sprite takes its surfaces from the open display at its size.
  const int32_t W = DDmain1->GetWidth();
  const int32_t H = DDmain1->GetHeight();

  // The sky, the sea and the rocks at the screen's proportions (see picture_frame.h).
  LayOutScenery(*DDbmp1ground, *DDani1sea, *DDbmp1stone, W, H);
  if (FEnded) return;

  FitClockTo(W, H);
  DXClock1->SetXcenter(Settings.clockX);
  DXClock1->SetYcenter(Settings.clockY);
  DXClock1->SetRadius(Settings.clockRad);

  // On large screens the gulls grow by the screen's whole-number scale, in
  // strips drawn at that size (the largest drawn, enlarged, beyond it).
  const int32_t scale = ScaleOfScreen(W, H);
  const int32_t drawn = std::min(scale, 4);
  const std::string suffix = drawn == 1 ? "" : "_x" + std::to_string(drawn);
  LoadBitmapInto("DDani1bird" + suffix, *DDani1bird);
  DDani1bird->SetYOffsetFrame(11 * drawn);
  DDani1bird->SetStretching(true);
  DDani1bird->SetStretchWidth(30 * scale);
  DDani1bird->SetStretchHeight(11 * scale);
  DDani1bird->CreateSurface();
  if (FEnded) return;  // the large gull's handler has ended the saver
  DDani1bird->SetTransparency(true);
  if (FEnded) return;

  LoadBitmapInto("DDani1birds_small" + suffix, *DDani1birds_small);
  DDani1birds_small->SetYOffsetFrame(drawn == 1 ? 11 : 5 * drawn);
  DDani1birds_small->SetStretching(true);
  DDani1birds_small->SetStretchWidth(15 * scale);
  DDani1birds_small->SetStretchHeight(5 * scale);
  DDani1birds_small->CreateSurface();
  DDani1birds_small->SetTransparency(true);
  GiveBackStartUpMemory();
}

void TForm1::GiveBackStartUpMemory() {
  // The decoded pictures and the decoders' buffers are freed by now, but the
  // allocator keeps their pages, and the compressed pictures' pages stay
  // mapped; a saver runs for hours, so both go back to the system.
  malloc_trim(0);
  for (const char* picture : {"Image1ground", "Image1sea"}) {
    if (const resources::Resource* r = resources::Find(picture, resources::kTypeJpeg)) resources::DropPages(*r);
  }
  if (const resources::Resource* r = resources::Find("DDbmp1stone", resources::kTypeBitmap)) resources::DropPages(*r);
}

void TForm1::FitToHostWindow() {
  // The picture fills the daemon's window; the stored mode stays in the
  // store for the full-screen saver.
  int width = 0, height = 0;
  if (!window_->GetClientSize(width, height) || width <= 0 || height <= 0) width = height = 1;
  Settings.ResHor = width;
  Settings.ResVert = height;
  // The clock where the settings put it, if it fits (see FitClockTo).
  Settings.clockRad = placedClockRad_;
  Settings.clockX = placedClockX_;
  Settings.clockY = placedClockY_;
}

void TForm1::FitToArea() {
  const int32_t width = place_->area.right - place_->area.left;
  const int32_t height = place_->area.bottom - place_->area.top;
  if (!IsPrimary()) {
    // One clock, one frame-rate text and one surf for the whole desktop.
    Settings.flag_clock = false;
    Settings.flag_fps = false;
    Settings.flag_PlaySound = false;
  }
  // Only the primary monitor takes a display mode chosen in the settings.
  if (!IsPrimary() || Settings.flag_defres) {
    Settings.ResHor = width;
    Settings.ResVert = height;
  }
  ownMode_ = Settings.ResHor != width || Settings.ResVert != height;
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
  DDtimer1->SetEnabled(false);
  for (TDDani* sprite : {DDani1sea, DDani1bird, DDani1birds_small}) sprite->CloseSurface();
  for (TDDbmp* sprite : {DDbmp1ground, DDbmp1stone}) sprite->CloseSurface();
  DDmain1->SetEnabled(false);
  if (place_) FitToArea();
  else FitToHostWindow();
  DDmain1->SetWidth(Settings.ResHor);
  DDmain1->SetHeight(Settings.ResVert);
  DDmain1->SetEnabled(true);
  if (FEnded) return;  // the display refused: its handler has ended the saver
  LayOutSprites();
  if (FEnded) return;
  FitBirds(FBirds, oldWidth, oldHeight, Settings.ResHor, Settings.ResVert);
  ApplyBrightness();
  DisplayOpened();
  DDtimer1->SetEnabled(true);
}

void TForm1::DisplayOpened() {
  // A new back buffer holds nothing yet: the next frame is composed whole.
  haveShown_ = false;
  partialRedraw_ = DDmain1->ClipBackSurface(nullptr);
}

void TForm1::ApplyBrightness() {
  DDgamma1->SetEnabled(true);
  if (DDgamma1->GetEnabled()) {
    DDgamma1->SetRGB(Settings.Gamma);
    DDgamma1->SetEnabled(false);
  }
}

void TForm1::FitClockTo(int32_t width, int32_t height) {
  // The stored place and size are screen pixels of whichever screen stored
  // them. A clock that does not fit wholly on this screen is drawn, for
  // this run, where a first run on this screen would put it; the store
  // keeps what it holds.
  const bool fits = Settings.clockRad >= 0 && Settings.clockX - Settings.clockRad >= 0 &&
                    Settings.clockY - Settings.clockRad >= 0 && Settings.clockX + Settings.clockRad < width &&
                    Settings.clockY + Settings.clockRad < height;
  if (!fits) DefaultClockPlacement(width, height, Settings.clockX, Settings.clockY, Settings.clockRad);
  // Screens too small even for that: the centre on the screen and the
  // clock no larger than it (far off, it would cost a core in clipped drawing).
  Settings.clockRad = std::clamp(Settings.clockRad, 0, std::max(std::min(width, height) / 2, 0));
  Settings.clockX = std::clamp(Settings.clockX, 0, std::max(width - 1, 0));
  Settings.clockY = std::clamp(Settings.clockY, 0, std::max(height - 1, 0));
}

void TForm1::StoreLive(const char* name, int value) {
  // A live key's change stays on screen whatever the store does; a write
  // that fails (a read-only settings directory, a full disk) is said once.
  std::string failure;
  try {
    if (!SetReg1->Write(name, value)) failure = std::string("the settings key cannot be opened to store '") + name + "'";
  } catch (const ERegistryException& e) {
    failure = e.what();
  }
  if (failure.empty() || storeFailureReported_) return;
  storeFailureReported_ = true;
  std::fprintf(stderr, "Velmo: %s; changes made with the keys hold until the saver ends.\n", failure.c_str());
}

void TForm1::StartSound() {
  // Silence is the answer to any failure: the saver never waits on sound.
  if (const resources::Resource* clip = resources::Find("SoundName", "WAVE")) {
    platform_.sound.PlayLoop(clip->data);
    GiveBackStartUpMemory();  // the decoded clip's temporaries
  }
}

namespace {

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

Rect Union(const Rect& a, const Rect& b) {
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

}  // namespace

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
  FFlipParity = !FFlipParity;
  const TShownState now = ReadShownState();
  // What is drawn at all changed (a test switching a layer off): all of it again.
  const bool sameLayers = haveShown_ && now.birdCount == shown_.birdCount && now.clockOn == shown_.clockOn &&
                          now.fpsOn == shown_.fpsOn;
  if (partialRedraw_ && sameLayers && !FComposeWhole) ComposeChanged(now);
  else ComposeWhole(now);
  if (!FRunning) return;  // an error handler ended the saver
  shown_ = now;
  haveShown_ = true;
  DDmain1->FlipSurfaces();
  if (FRunning) SignalShown();
  if (partialRedraw_ && FRunning) DDmain1->ClipBackSurface(nullptr);
}

TForm1::TShownState TForm1::ReadShownState() const {
  TShownState state;
  state.birdCount = Settings.NumBirds;
  state.clockOn = Settings.flag_clock;
  state.fpsOn = Settings.flag_fps;
  state.sea = FSeaFrame.load(std::memory_order_relaxed);
  for (int i = 0; i < Settings.NumBirds; ++i) {
    const TBirdState& b = FBirds[i];
    state.birds[i] = TShownBird{b.X.load(std::memory_order_relaxed), b.Y.load(std::memory_order_relaxed),
                                b.Frame.load(std::memory_order_relaxed), b.Small.load(std::memory_order_relaxed)};
  }
  if (Settings.flag_clock) {
    const ClockTime t = DXClock1->CurrentTime();
    state.clockSecond = (t.hour * 60 + t.minute) * 60 + t.second;
    state.clock = DXClock1->Bounds();
    state.clockColour = DXClock1->GetColor();
  }
  return state;
}

void TForm1::ComposeWhole(const TShownState& now) {
  DrawLayers(now);
  if (!FRunning) return;
  if (Settings.flag_clock) DXClock1->ShowClock();
}

void TForm1::ComposeChanged(const TShownState& now) {
  dirtyCount_ = 0;
  if (now.sea != shown_.sea) {
    const int32_t top = DDani1sea->GetShowY();
    AddDirty(Rect{0, top, Settings.ResHor, top + DDani1sea->GetStretchHeight()});
  }
  for (int i = 0; i < Settings.NumBirds; ++i) {
    if (!(now.birds[i] == shown_.birds[i])) AddDirty(Union(BirdBox(shown_.birds[i]), BirdBox(now.birds[i])));
  }
  const bool clockChanged = now.clockSecond != shown_.clockSecond || !(now.clock == shown_.clock) ||
                            now.clockColour != shown_.clockColour;
  if (Settings.flag_clock && clockChanged) AddDirty(Union(shown_.clock, now.clock));
  // The text is drawn at every flip: always over a freshly drawn background.
  if (Settings.flag_fps) AddDirty(DDmain1->FpsTextBox());
  // The clock is drawn whole over whatever was redrawn under any part of it.
  bool drawClock = false;
  for (int i = 0; i < dirtyCount_ && Settings.flag_clock; ++i) {
    if (!Overlap(dirty_[i], now.clock)) continue;
    dirty_[i] = Union(dirty_[i], now.clock);
    drawClock = true;
  }
  for (int i = 0; i < dirtyCount_; ++i) {
    DDmain1->ClipBackSurface(&dirty_[i]);
    DrawLayers(now);
    if (!FRunning) return;
  }
  if (drawClock) {
    DDmain1->ClipBackSurface(&now.clock);
    DXClock1->ShowClock();
  }
  // What the flip's frame-rate text draws counts as a change of its box only.
  if (Settings.flag_fps) {
    const Rect fps = DDmain1->FpsTextBox();
    DDmain1->ClipBackSurface(&fps);
  }
}

void TForm1::AddDirty(const Rect& r) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  if (dirtyCount_ == static_cast<int>(dirty_.size())) {
    dirty_[dirtyCount_ - 1] = Union(dirty_[dirtyCount_ - 1], r);
    return;
  }
  dirty_[dirtyCount_++] = r;
}

void TForm1::DrawLayers(const TShownState& now) {
  DDmain1->ClearBackSurface();
  if (!FRunning) return;
  DDbmp1ground->DrawImage();
  DDani1sea->SetNumberFrame(now.sea);
  DDani1sea->DrawAni();
  DDbmp1stone->DrawImage();
  for (int i = 0; i < Settings.NumBirds && FRunning; ++i) DrawShownBird(now.birds[i]);
}

Rect TForm1::BirdBox(const TShownBird& bird) const {
  const TDDani* sprite = bird.small == 0 ? DDani1bird : DDani1birds_small;
  if (!sprite) return Rect{};
  return Rect{bird.x, bird.y, bird.x + sprite->GetStretchWidth(), bird.y + sprite->GetStretchHeight()};
}

void TForm1::DrawShownBird(const TShownBird& bird) {
  TDDani* sprite = bird.small == 0 ? DDani1bird : DDani1birds_small;
  if (!sprite) return;
  sprite->SetShowX(bird.x);
  sprite->SetShowY(bird.y);
  sprite->SetNumberFrame(bird.frame);
  sprite->DrawAni();
}

void TForm1::DrawBird(int i) {
  const TBirdState& b = FBirds[i];
  DrawShownBird(TShownBird{b.X.load(std::memory_order_relaxed), b.Y.load(std::memory_order_relaxed),
                           b.Frame.load(std::memory_order_relaxed), b.Small.load(std::memory_order_relaxed)});
}

void TForm1::DDtimer1Timer(Component*) {
  int32_t frame = FSeaFrame.load(std::memory_order_relaxed) + 1;
  if (frame > 31) frame = 0;
  FSeaFrame.store(frame, std::memory_order_relaxed);
  const int32_t height = DDmain1->GetHeight();
  const int32_t scale = ScaleOfScreen(Settings.ResHor, height);
  for (int i = 0; i < Settings.NumBirds; ++i) MoveBird(FBirds[i], height, Settings.ResHor, random_, scale);
}

void TForm1::FormKeyDown(int key, uint32_t shift) {
  if (FKeyTarget) {
    FKeyTarget->FormKeyDown(key, shift);
    return;
  }
  if (Settings.TermMouse) {
    TryEndSaver();
    return;
  }
  if (FEnded) return;
  switch (key) {
    case VK_LEFT:
      if (Settings.clockX > ClockMin()) --Settings.clockX;
      break;
    case VK_RIGHT:
      if (Settings.clockX < ClockMaxX()) ++Settings.clockX;
      break;
    case VK_UP:
      if (Settings.clockY > ClockMin()) --Settings.clockY;
      break;
    case VK_DOWN:
      if (Settings.clockY < ClockMaxY()) ++Settings.clockY;
      break;
    default:
      return;
  }
  // Stored at every press, also at the bound, so the next start finds it.
  if (key == VK_LEFT || key == VK_RIGHT) {
    DXClock1->SetXcenter(Settings.clockX);
    StoreLive("clockX", Settings.clockX);
  } else {
    DXClock1->SetYcenter(Settings.clockY);
    StoreLive("clockY", Settings.clockY);
  }
}

void TForm1::FormKeyPress(char key) {
  if (FKeyTarget) {
    FKeyTarget->FormKeyPress(key);
    return;
  }
  if (Settings.TermMouse) {
    TryEndSaver();
    return;
  }
  if (key == 27) {
    TryEndSaver();
    return;
  }
  if ((key != '+' && key != '-') || FEnded) return;
  DDgamma1->SetEnabled(true);
  if (!DDgamma1->GetEnabled()) return;  // no gamma on this display: nothing changes, nothing stored
  const int value = DDgamma1->GetRGB();
  if (key == '+' && value < 256) DDgamma1->SetRGB(value + 1);
  if (key == '-' && value > 0) DDgamma1->SetRGB(value - 1);
  DDgamma1->SetEnabled(false);
  Settings.Gamma = DDgamma1->GetRGB();
  if (OnBrightness) OnBrightness(Settings.Gamma);
  StoreLive("Gamma", Settings.Gamma);
}

void TForm1::FormMouseMove(uint32_t, int x, int y) {
  if (Settings.TermMouse) {
    if (std::abs(x - lastMouseX_) > 5 && lastMouseX_ != 0) TryEndSaver();
    else if (std::abs(y - lastMouseY_) > 5 && lastMouseY_ != 0) TryEndSaver();
  }
  lastMouseX_ = x;
  lastMouseY_ = y;
}

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
    if (!DDtimer1->GetEnabled()) DDtimer1->SetEnabled(true);
    if (IsPrimary()) platform_.app.ShowCursor(false);
  }
  FEnding = false;
}

bool TForm1::VerifyPassword(IWindow*) {
  if (platform_.system.PlatformId() == VER_PLATFORM_WIN32_NT) return true;
  ModuleHandle cpl = platform_.modules.LoadLibrary("PASSWORD.CPL");
  if (!cpl) return true;
  auto verify = reinterpret_cast<VerifyScreenSavePwdProc>(platform_.modules.GetProcAddress(cpl, "VerifyScreenSavePwd"));
  if (!verify) {
    platform_.modules.FreeLibrary(cpl);
    return true;
  }
  const int answer = verify(0);
  platform_.modules.FreeLibrary(cpl);
  return answer != 0;
}

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
  if (!IsPrimary()) return;  // the surf and the saver flag are the primary scene's
  platform_.sound.Stop();
  // Inside a daemon's window the daemon is the screen saver and owns the flag.
  if (!FHosted) platform_.system.SetScreenSaverRunning(false);
}

void TForm1::FreeSprite(auto*& sprite) {
  if (!sprite) return;
  auto* doomed = sprite;
  sprite = nullptr;  // cleared first: a handler running inside the free sees it gone
  FreeChild(doomed);
}

void TForm1::StopComponents() {
  FRunning = false;
  FEnded = true;
  DDtimer1->SetEnabled(false);
  FreeSprite(DDbmp1ground);
  FreeSprite(DDani1sea);
  FreeSprite(DDbmp1stone);
  FreeSprite(DDani1bird);
  FreeSprite(DDani1birds_small);
  DDmain1->SetEnabled(false);
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

void RunSaver(Platform& platform, const TSaverOptions& options) {
  if (!options.InWindow()) {
    RunSaverScreens(platform, options);
    return;
  }
  TForm1 form(platform, options);
  form.FormCreate();
  platform.app.Run(form.Window());
}

}  // namespace velmo
