#include "scene/form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/ddgamma.h"
#include "components/ddmain.h"
#include "components/ddtimer.h"
#include "components/dxclock.h"
#include "fakes/fake_platform.h"

namespace velmo {
namespace {

constexpr const char* kKey = FakeRegistry::kVelmoKey;

class Scene : public ::testing::Test, protected FakePlatform {
 protected:
  std::unique_ptr<TForm1> form;

  void SetUp() override { display.modes.push_back({1024, 768, 32}); }

  // A store holding all fifteen values, as the dialog writes them.
  void Store(int numBirds = 7, bool termMouse = true, int setSpeed = 1, bool defres = true, int resHor = 1024,
             int resVert = 768, int depth = 32) {
    const std::pair<const char*, uint32_t> values[] = {
        {"NumBirds", numBirds}, {"flag_clock", 1},        {"flag_PlaySound", 1},  {"flag_fps", 1},
        {"TermMouse", termMouse}, {"Gamma", 256},         {"flag_defres", defres}, {"ResHor", resHor},
        {"ResVert", resVert},   {"ColorDepth", depth},    {"clockX", 934},        {"clockY", 90},
        {"clockRad", 70},       {"ColorClock", 0x80FF},   {"SetSpeed", setSpeed}};
    for (auto& [name, value] : values) registry.PutDword(kKey, name, value);
  }

  void Start() {
    form = std::make_unique<TForm1>(platform);
    form->FormCreate();
  }
  FakeWindow& Window() { return static_cast<FakeWindow&>(form->Window()); }
  void Compose(int frames = 1) {
    for (int i = 0; i < frames; ++i) {
      bool done = true;
      app.idle(done);
      EXPECT_FALSE(done);
    }
  }
  bool Ended() const { return form->FEnded && form->Window().IsClosed(); }
};

// What a first run stores is the settings' own tests'.
TEST_F(Scene, FirstRunStartsWithTheDefaultsAtTheDesktopMode) {
  Start();
  EXPECT_EQ(registry.Values(kKey).size(), 15u);
  EXPECT_EQ(display.log.Count("SetDisplayMode(1024,768,32,0,0)"), 1) << display.log.Dump();
  ASSERT_EQ(timer.setCalls.size(), 1u);
  EXPECT_EQ(timer.setCalls[0].delay, 50u);
  EXPECT_EQ(sound.calls, std::vector<std::string>{"PlayLoop"});
  EXPECT_FALSE(sound.lastWave.empty());
  EXPECT_EQ(app.cursorCalls, std::vector<bool>{false});
  EXPECT_EQ(system.saverRunningCalls, std::vector<bool>{true});
  EXPECT_TRUE(form->FRunning);
  EXPECT_FALSE(Window().IsClosed());
}

TEST_F(Scene, TheLayoutFollowsTheScreenHeight) {
  Start();
  // 1024 x 768 shows the 4:3 frame at 1.28 pixels a unit: the sky scaled
  // once to 1024 x 493, the sea's 800 columns of the frame kept at their
  // size and drawn 212 rows high from row 486, the rocks scaled once to the
  // 227 rows from row 541 to the bottom.
  EXPECT_EQ(display.Surface("surface1")->Width(), 1024);
  EXPECT_EQ(display.Surface("surface1")->Height(), 493);
  EXPECT_TRUE(form->DDbmp1ground->GetBitmap().Empty());  // the decoded sky is not kept
  EXPECT_EQ(form->DDani1sea->GetCountFrame(), 32);
  EXPECT_EQ(form->DDani1sea->GetStretchHeight(), 212);
  EXPECT_TRUE(form->DDani1sea->GetBitmap().Empty());  // the decoded strip is not kept
  EXPECT_EQ(form->DDani1sea->GetShowY(), 486);
  EXPECT_EQ(display.Surface("surface34")->Width(), 1024);
  EXPECT_EQ(display.Surface("surface34")->Height(), 227);
  EXPECT_EQ(form->DDbmp1stone->GetShowY(), 541);
  EXPECT_TRUE(form->DDbmp1stone->GetTransparency());
  EXPECT_EQ(form->DDani1bird->GetCountFrame(), 40);
  EXPECT_EQ(form->DXClock1->GetColor(), 0x80FFu);
}

TEST_F(Scene, StoredModeIsUsedOnlyWithoutTheDesktopFlagAndTheSpeedSetsTheInterval) {
  Store(7, true, 1, /*defres=*/true, 640, 480, 16);
  Start();
  EXPECT_EQ(display.log.Count("SetDisplayMode(1024,768,32,0,0)"), 1);
  EXPECT_EQ(registry.Dword(kKey, "ResHor"), 640);  // the store keeps its own value

  EXPECT_EQ(timer.setCalls.back().delay, 50u);

  form.reset();
  Store(7, true, /*setSpeed=*/2, /*defres=*/false, 800, 600, 16);
  Start();
  EXPECT_EQ(display.log.Count("SetDisplayMode(800,600,16,0,0)"), 1);
  EXPECT_EQ(timer.setCalls.back().delay, 40u) << "the fast speed's interval";
}

TEST_F(Scene, OutOfRangeStoredValuesAreClampedForTheSceneOnly) {
  Store(/*numBirds=*/25);
  registry.PutDword(kKey, "Gamma", 9000);
  Start();
  EXPECT_EQ(form->Settings.NumBirds, 10);
  EXPECT_EQ(form->Settings.Gamma, 256);
  EXPECT_EQ(registry.Dword(kKey, "NumBirds"), 25);
  form.reset();
  Store(static_cast<int>(-3));
  Start();
  EXPECT_EQ(form->Settings.NumBirds, 0);
  Compose(3);  // draws no gull and does not crash
}

TEST_F(Scene, ARefusedDisplayModeShowsTheErrorAndEndsWithTheDesktopBack) {
  Store(7, true, 1, /*defres=*/false, 1600, 1200, 32);
  display.results.Queue("SetDisplayMode", {DDERR_INVALIDMODE});
  Start();
  ASSERT_EQ(app.boxes.size(), 1u);
  EXPECT_EQ(app.boxes[0].text, "Error SetDisplayMode");
  EXPECT_EQ(app.boxes[0].caption, "ERROR");
  EXPECT_TRUE(Ended());
  EXPECT_EQ(display.LiveObjects(), 0);
  EXPECT_TRUE(timer.setCalls.empty());
  EXPECT_EQ(sound.calls, std::vector<std::string>{"Stop"}) << "nothing was ever played";
  EXPECT_EQ(display.Misuses(), 0);
  bool done = false;
  app.idle(done);  // the loop may still call once: nothing is drawn
  EXPECT_TRUE(done);
}

TEST_F(Scene, ASettingsLoadErrorIsShownAndTheDisplayIsNeverOpened) {
  Store();
  registry.PutString(kKey, "flag_clock", "on");
  Start();
  ASSERT_EQ(app.exceptions.size(), 1u);
  EXPECT_EQ(app.exceptions[0].rfind("Invalid data type for 'flag_clock'\n", 0), 0u) << app.exceptions[0];
  EXPECT_TRUE(Ended());
  EXPECT_EQ(display.log.Count("DirectDrawCreate(null)"), 0);
  EXPECT_EQ(registry.Dword(kKey, "NumBirds"), 7);  // nothing written back
}

TEST_F(Scene, AFailingLargeGullEndsTheSaverDuringStartUpWithoutTouchingFreedSprites) {
  // primary, sky, 32 sea frames, rocks: then the large gull's first frame fails.
  std::vector<HRESULT> results(35, DD_OK);
  results.push_back(DDERR_OUTOFMEMORY);
  for (HRESULT r : results) display.results.Queue("CreateSurface", {r});
  Start();
  ASSERT_GE(app.boxes.size(), 1u);
  EXPECT_EQ(app.boxes[0].text, "Error CreateSurfaceANI");
  EXPECT_EQ(app.boxes[0].caption, "ERROR");
  EXPECT_TRUE(Ended());
  EXPECT_EQ(sound.calls, std::vector<std::string>{"Stop"});
  EXPECT_TRUE(timer.setCalls.empty());
  EXPECT_EQ(display.LiveObjects(), 0);
  EXPECT_EQ(display.Misuses(), 0);
}

TEST_F(Scene, ADisplayFailureWhileRunningSilencesTheSoundBeforeItsBoxAndGivesTheBlankerBack) {
  Store();
  Start();
  Compose(2);
  ASSERT_EQ(sound.calls, std::vector<std::string>{"PlayLoop"});
  std::vector<std::string> soundAtBox;
  std::vector<bool> blankerAtBox;
  app.onMessageBox = [&] {
    soundAtBox = sound.calls;
    blankerAtBox = system.saverRunningCalls;
  };
  display.results.Queue("back.IsLost", {DDERR_GENERIC});
  Compose();
  ASSERT_EQ(app.boxes.size(), 1u);
  EXPECT_EQ(app.boxes[0].text, "Unrecognized ERROR ClearBackSurface");
  EXPECT_EQ(soundAtBox, (std::vector<std::string>{"PlayLoop", "Stop"})) << "no sound may loop under the box";
  EXPECT_EQ(blankerAtBox, (std::vector<bool>{true, false}));
  EXPECT_TRUE(Ended());
  EXPECT_EQ(display.LiveObjects(), 0);
  EXPECT_EQ(display.Misuses(), 0);
}

TEST_F(Scene, TheTickRollsTheSeaAndWrapsAfterFrame31) {
  Start();
  for (int i = 0; i < 31; ++i) form->DDtimer1Timer(nullptr);
  EXPECT_EQ(form->FSeaFrame, 31);
  form->DDtimer1Timer(nullptr);
  EXPECT_EQ(form->FSeaFrame, 0);
  // Gulls moved: the first one is on course 1 and flies left.
  EXPECT_LT(form->FBirds[0].X, 768 * 100 / 600);
  EXPECT_EQ(form->FBirds[9].X, 768 * 100 / 600 + 450) << "only the live gulls move";
}

TEST_F(Scene, AnyKeyEndsTheSaverInOrderWithKeyboardAndMouse) {
  Start();
  Compose();  // one frame: the parity is odd, so no extra flip
  Window().KeyDown(VK_SHIFT);
  EXPECT_TRUE(Ended());
  EXPECT_EQ(app.cursorCalls, (std::vector<bool>{false, true}));
  EXPECT_EQ(sound.calls, (std::vector<std::string>{"PlayLoop", "Stop"}));
  EXPECT_EQ(system.saverRunningCalls, (std::vector<bool>{true, false}));
  EXPECT_EQ(timer.killCalls.size(), 1u);
  EXPECT_EQ(display.LiveObjects(), 0);
  EXPECT_EQ(display.Misuses(), 0);
  EXPECT_EQ(form->DDani1bird, nullptr);
  // The character of the same key is a second attempt: ignored once ended.
  Window().KeyPress('a');
  EXPECT_TRUE(app.boxes.empty());
}

TEST_F(Scene, LosingTheActivationEndsTheSaverInOrderWithoutABox) {
  Start();
  Compose();
  Window().Deactivate();
  EXPECT_TRUE(Ended());
  EXPECT_TRUE(app.boxes.empty());
  EXPECT_EQ(system.saverRunningCalls, (std::vector<bool>{true, false}));
  EXPECT_EQ(display.LiveObjects(), 0);
  Window().Deactivate();  // the window's hiding at the end: nothing more happens
  EXPECT_TRUE(app.boxes.empty());
}

TEST_F(Scene, AnEndAttemptAfterAnEvenNumberOfFramesFlipsOnceMore) {
  Start();
  display.log.Clear();
  Compose(2);
  Window().KeyPress('x');
  EXPECT_EQ(display.log.Count("primary.Flip(null,0)"), 3);
}

// Moves of up to five pixels never end the saver, nor a jump from an axis not
// seen yet (the first event only records; a previous X of 0 is not counted);
// the last move of each row, six pixels from a seen place, does.
TEST_F(Scene, OnlyAMouseJumpOfSixPixelsFromASeenPlaceEnds) {
  std::vector<std::pair<int, int>> creeping{{100, 100}};
  for (int i = 1; i <= 20; ++i) creeping.push_back({100 + 5 * i, 100 + 5 * i});
  for (const auto& [moves, last] : {std::pair{creeping, std::pair{206, 200}},
                                    std::pair{std::vector<std::pair<int, int>>{{0, 50}, {300, 52}}, std::pair{300, 60}}}) {
    SCOPED_TRACE(moves.size());
    form.reset();
    Start();
    for (auto [x, y] : moves) Window().MouseMove(x, y);
    EXPECT_FALSE(Ended());
    Window().MouseMove(last.first, last.second);
    EXPECT_TRUE(Ended());
  }
}

TEST_F(Scene, KeyboardOnlyModeMovesTheClockWithinItsBandAndStoresEachStep) {
  Store(7, /*termMouse=*/false);
  Start();
  for (int i = 0; i < 10; ++i) Window().KeyDown(VK_RIGHT);
  EXPECT_EQ(form->Settings.clockX, 934);
  EXPECT_EQ(form->DXClock1->GetXcenter(), 934);
  form->StoreKeyChanges();
  EXPECT_EQ(registry.Dword(kKey, "clockX"), 934);
  for (int i = 0; i < 2000; ++i) Window().KeyDown(VK_LEFT);
  EXPECT_EQ(form->Settings.clockX, 90);
  form->StoreKeyChanges();
  EXPECT_EQ(registry.Dword(kKey, "clockX"), 90);
  Window().KeyDown(VK_DOWN);
  form->StoreKeyChanges();
  EXPECT_EQ(registry.Dword(kKey, "clockY"), 91);
  Window().MouseMove(10, 10);
  Window().MouseMove(500, 500);
  Window().KeyDown('A');
  Window().KeyPress('a');
  EXPECT_FALSE(Ended());
  Window().KeyPress(27);
  EXPECT_TRUE(Ended());
}

// A termination request (SIGTERM, as the loop's close of every window)
// right after a key, well inside the writer's quiet time: the last change is
// on disk as the saver ends.
TEST_F(Scene, TheLastKeyIsStoredWhenTheSaverIsAskedToEndRightAfterIt) {
  Store(7, /*termMouse=*/false);
  Start();
  const int x = form->Settings.clockX;
  for (int i = 0; i < 5; ++i) Window().KeyDown(VK_LEFT);
  Window().KeyPress('-');
  Window().RequestClose();
  EXPECT_TRUE(Ended());
  EXPECT_EQ(registry.Dword(kKey, "clockX"), x - 5);
  EXPECT_EQ(registry.Dword(kKey, "Gamma"), 255);
}

TEST_F(Scene, PlusAndMinusStepTheBrightnessAndStoreItEvenAtTheBound) {
  Store(7, /*termMouse=*/false);
  Start();
  Window().KeyPress('+');
  EXPECT_EQ(form->DDgamma1->GetRGB(), 256);
  form->StoreKeyChanges();
  EXPECT_EQ(registry.Dword(kKey, "Gamma"), 256);
  Window().KeyPress('-');
  Window().KeyPress('-');
  EXPECT_EQ(form->DDgamma1->GetRGB(), 254);
  form->StoreKeyChanges();
  EXPECT_EQ(registry.Dword(kKey, "Gamma"), 254);
  ASSERT_NE(display.LastGammaControl(), nullptr);
  EXPECT_FALSE(form->DDgamma1->GetEnabled());
}

TEST_F(Scene, WithoutGammaSupportTheBrightnessKeysChangeAndStoreNothing) {
  Store(7, /*termMouse=*/false);
  registry.PutDword(kKey, "Gamma", 200);
  display.caps.dwCaps2 = 0;
  Start();
  const size_t calls = registry.calls.size();
  Window().KeyPress('+');
  Window().KeyPress('-');
  EXPECT_EQ(registry.Dword(kKey, "Gamma"), 200);
  EXPECT_EQ(registry.calls.size(), calls) << "nothing may be written";
}

TEST_F(Scene, ClockValuesFarOffTheScreenAreTakenOntoItForTheRunOnly) {
  for (uint32_t far : {0x7fffffffu, 0x80000000u}) {
    Store(7, /*termMouse=*/false);
    registry.PutDword(kKey, "clockX", far);
    registry.PutDword(kKey, "clockY", far);
    registry.PutDword(kKey, "clockRad", far);
    Start();
    const TDXClock& clock = *form->DXClock1;
    EXPECT_GE(clock.GetXcenter(), 0);
    EXPECT_LT(clock.GetXcenter(), 1024);
    EXPECT_GE(clock.GetYcenter(), 0);
    EXPECT_LT(clock.GetYcenter(), 768);
    EXPECT_GE(clock.GetRadius(), 0);
    EXPECT_LE(clock.GetRadius(), 384);
    Compose(2);
    EXPECT_EQ(registry.Dword(kKey, "clockRad"), far) << "the store keeps what it holds";
    Window().KeyDown(VK_UP);  // the band the keys keep is worked out from sane values
    Window().KeyDown(VK_LEFT);
    EXPECT_FALSE(Ended());
    form->StoreKeyChanges();
    // The keys moved the clock shown: it is stored whole, to be drawn there next time.
    EXPECT_EQ(registry.Dword(kKey, "clockX"), clock.GetXcenter());
    EXPECT_EQ(registry.Dword(kKey, "clockY"), clock.GetYcenter());
    EXPECT_EQ(registry.Dword(kKey, "clockRad"), clock.GetRadius());
    form.reset();
  }
}

TEST_F(Scene, AFailedWriteOfALiveKeyIsSaidOnceAndTheSaverGoesOn) {
  Store(7, /*termMouse=*/false);
  Start();
  registry.setError = ERROR_ACCESS_DENIED;  // a read-only settings directory, a full disk
  ::testing::internal::CaptureStderr();
  Window().KeyDown(VK_LEFT);
  Window().KeyDown(VK_DOWN);
  Window().KeyPress('-');
  form->StoreKeyChanges();
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(Ended());
  EXPECT_EQ(form->DXClock1->GetXcenter(), 933);
  EXPECT_EQ(form->DXClock1->GetYcenter(), 91);
  EXPECT_EQ(form->DDgamma1->GetRGB(), 255);
  EXPECT_EQ(registry.Dword(kKey, "clockX"), 934);
  EXPECT_NE(said.find("Failed to set data for 'clockX'"), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_TRUE(app.boxes.empty());
  Compose(1);
  Window().KeyPress(27);
  EXPECT_TRUE(Ended());
}

TEST_F(Scene, AStalledTimerEndsTheSaverOnTheLoopsThreadWithoutAPasswordCheck) {
  system.platformId = VER_PLATFORM_WIN32_WINDOWS;
  Start();
  timer.AdvanceAndFire(2001);
  EXPECT_FALSE(Ended()) << "the end is handed to the loop, not run on the timer's thread";
  app.RunPosted();
  EXPECT_TRUE(Ended());
  EXPECT_TRUE(modules.calls.empty());
  EXPECT_EQ(sound.calls.back(), "Stop");
}

int verifyAnswer = 0;
int verifyCalls = 0;
TForm1* reentrant = nullptr;
int FakeVerify(uint64_t) {
  ++verifyCalls;
  if (reentrant) reentrant->TryEndSaver();  // input arriving while the dialog is open
  return verifyAnswer;
}

TEST_F(Scene, AWrongPasswordLetsTheSaverRunOnAndARightOneEndsIt) {
  system.platformId = VER_PLATFORM_WIN32_WINDOWS;
  modules.AddModule("PASSWORD.CPL", {{"VerifyScreenSavePwd", reinterpret_cast<void*>(&FakeVerify)}});
  Start();
  verifyCalls = 0;
  verifyAnswer = 0;
  reentrant = form.get();
  Window().KeyDown('Q');
  reentrant = nullptr;
  EXPECT_EQ(verifyCalls, 1) << "a second attempt inside the first must not open another dialog";
  EXPECT_FALSE(Ended());
  EXPECT_TRUE(form->DDtimer1->GetEnabled());
  EXPECT_EQ(app.cursorCalls, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(modules.loaded, 0);
  verifyAnswer = 1;
  Window().KeyDown('Q');
  EXPECT_TRUE(Ended());
}

TEST_F(Scene, WithoutThePasswordModuleTheFirstAttemptEnds) {
  system.platformId = VER_PLATFORM_WIN32_WINDOWS;
  Start();
  Window().KeyPress('z');
  EXPECT_TRUE(Ended());
  EXPECT_EQ(modules.calls, std::vector<std::string>{"LoadLibrary(PASSWORD.CPL)"});
}

TEST_F(Scene, SoundOffStartsNothingAndSilentFailureIsNoError) {
  Store();
  registry.PutDword(kKey, "flag_PlaySound", 0);
  Start();
  EXPECT_TRUE(sound.calls.empty());
  form.reset();
  Store();
  sound.playResult = false;  // no device
  Start();
  EXPECT_TRUE(form->FRunning);
  EXPECT_TRUE(app.boxes.empty());
}

// In a screen-saver daemon's window (XSCREENSAVER_WINDOW, -window-id, -root).
class HostedScene : public Scene {
 protected:
  void StartHosted(uint64_t id = 0x2a00007) {
    form = std::make_unique<TForm1>(platform, id);
    form->FormCreate();
  }
  void StartWith(TSaverOptions options) {
    if (options.place == TSaverOptions::TPlace::Hosted && options.hostWindow == 0) options.hostWindow = 0x2a00007;
    form = std::make_unique<TForm1>(platform, options);
    form->FormCreate();
  }
  static TSaverOptions Hosted() {
    TSaverOptions options;
    options.place = TSaverOptions::TPlace::Hosted;
    return options;
  }
};

TEST_F(HostedScene, DrawsAtTheWindowsSizeAndLeavesTheStoredModeAndTheCursorAlone) {
  Store(7, true, 1, /*defres=*/false, 1024, 768, 32);
  StartHosted();
  EXPECT_TRUE(Window().hosted);
  EXPECT_EQ(Window().hostedId, 0x2a00007u);
  EXPECT_EQ(display.log.Count("SetDisplayMode(640,400,32,0,0)"), 1) << display.log.Dump();
  EXPECT_EQ(display.log.Count("SetDisplayMode(1024,768,32,0,0)"), 0);
  EXPECT_EQ(form->DDmain1->GetWidth(), 640);
  EXPECT_EQ(form->DDmain1->GetHeight(), 400);
  EXPECT_EQ(form->DDani1sea->GetShowY(), 400 * 380 / 600);
  EXPECT_TRUE(app.cursorCalls.empty());
  EXPECT_TRUE(form->FRunning);
  Compose(2);
  EXPECT_EQ(registry.Dword(kKey, "ResHor"), 1024);
  EXPECT_EQ(registry.Dword(kKey, "ResVert"), 768);
}

TEST_F(HostedScene, ANewWindowSizeLaysTheSceneOutAgainAtTheNextFrame) {
  Store();  // clock at (934, 90), radius 70
  TSaverOptions options = Hosted();
  options.Gamma = 128;
  StartWith(options);
  Compose();
  const int objects = display.LiveObjects();
  const FakeGammaControl* gamma = display.LastGammaControl();
  const DDGAMMARAMP ramp = gamma->ramp;
  EXPECT_LT(ramp.red[255], 65535);
  const int32_t birdY = form->FBirds[3].Y.load();

  Window().Resize(960, 540);
  Window().Resize(400, 300);  // a burst while the window is dragged
  Window().Resize(960, 540);
  EXPECT_EQ(form->DDmain1->GetWidth(), 640) << "nothing changes before the next frame";
  Compose();
  EXPECT_EQ(display.log.Count("SetDisplayMode(960,540,32,0,0)"), 1) << display.log.Dump();
  EXPECT_EQ(display.log.Count("SetDisplayMode(400,300,32,0,0)"), 0) << "laid out once, at the size it has then";
  EXPECT_EQ(form->DDmain1->GetHeight(), 540);
  EXPECT_EQ(form->DDbmp1ground->GetStretchWidth(), 960);
  // 16:9 shows the frame's 600 rows at 0.9 pixels a unit, rounded.
  EXPECT_EQ(form->DDbmp1ground->GetStretchHeight(), 347);
  EXPECT_EQ(form->DDani1sea->GetShowY(), 342);
  EXPECT_EQ(form->DDbmp1stone->GetShowY(), 381);
  EXPECT_EQ(form->DDani1bird->GetStretchWidth(), 30);
  EXPECT_EQ(form->DXClock1->GetXcenter(), 960 - 63 - 18);  // in proportion to the window
  EXPECT_EQ(form->FBirds[3].Y.load(), birdY * 540 / 400);
  EXPECT_EQ(display.LiveObjects(), objects) << "the old surfaces are given back";
  EXPECT_EQ(display.Misuses(), 0);
  EXPECT_NE(display.LastGammaControl(), gamma);
  EXPECT_EQ(display.LastGammaControl()->ramp.red, ramp.red) << "the brightness stays";
  EXPECT_TRUE(form->DDtimer1->GetEnabled());
  EXPECT_EQ(timer.killCalls.size(), 1u);

  Window().Resize(400, 300);
  Compose();
  EXPECT_EQ(form->DDbmp1stone->GetStretchHeight(), 300 * 177 / 600);
  EXPECT_EQ(form->DXClock1->GetXcenter(), 400 - 35 - 10);
  Window().Resize(1200, 700);
  Compose();
  EXPECT_EQ(form->DXClock1->GetXcenter(), 934) << "back at its stored place once the window is large enough";
  EXPECT_EQ(registry.Dword(kKey, "clockX"), 934);
  EXPECT_TRUE(form->FRunning);
  Window().RequestClose();
  EXPECT_EQ(display.LiveObjects(), 0);
}

TEST_F(HostedScene, TheCommandLineAndItsDefaultsRuleAndTheStoreIsOnlyRead) {
  // No store: the defaults of a saver in a window, nothing written.
  StartWith(Hosted());
  EXPECT_TRUE(registry.Values(kKey).empty()) << "the store is never made";
  EXPECT_EQ(form->Settings.NumBirds, TSaverOptions::kNumBirds);
  EXPECT_FALSE(form->Settings.flag_fps) << "no frame-rate text unless asked for, as in every hack";
  EXPECT_TRUE(form->Settings.flag_clock);
  EXPECT_EQ(sound.calls, std::vector<std::string>{"PlayLoop"});
  Window().RequestClose();

  // A store of other choices: only the clock's place, size and colour count.
  Store(/*numBirds=*/3, true, /*setSpeed=*/2);
  registry.PutDword(kKey, "clockRad", 80);
  registry.PutDword(kKey, "clockX", 300);  // wholly inside the 640 x 400 window
  registry.PutDword(kKey, "ColorClock", 0xFF0000);
  TSaverOptions options = Hosted();
  options.NumBirds = 0;
  options.flag_clock = false;
  options.flag_PlaySound = false;
  sound.calls.clear();
  StartWith(options);
  EXPECT_EQ(form->Settings.NumBirds, 0);
  EXPECT_FALSE(form->Settings.flag_clock);
  EXPECT_FALSE(form->Settings.flag_fps) << "the store's frame-rate text is the full-screen saver's";
  EXPECT_EQ(timer.setCalls.back().delay, 50u) << "the store's speed too";
  EXPECT_EQ(form->Settings.clockRad, 80);
  EXPECT_EQ(form->Settings.clockX, 300);
  EXPECT_EQ(form->DXClock1->GetColor(), 0xFF0000u);
  EXPECT_TRUE(sound.calls.empty());
  EXPECT_EQ(registry.Dword(kKey, "NumBirds"), 3);
  Window().RequestClose();

  // Full screen the store rules, and an option changes it for this run only.
  TSaverOptions fullScreen;
  fullScreen.NumBirds = 5;
  StartWith(fullScreen);
  EXPECT_EQ(form->Settings.NumBirds, 5);
  EXPECT_TRUE(form->Settings.flag_fps);
  EXPECT_EQ(timer.setCalls.back().delay, 40u);
  EXPECT_EQ(registry.Dword(kKey, "NumBirds"), 3);
}

// A daemon's saver per monitor, 1920 x 1080 (primary) and 2560 x 1440 to its
// right, no store: one clock, one frame-rate text and one surf, in the
// window over the primary, each window's clock in proportion to it.
TEST_F(HostedScene, UnderADaemonOnlyThePrimarysWindowShowsTheClockTheTextAndTheSurf) {
  display.desktop = DisplayMode{4480, 1440, 32};
  display.monitorAreas = {{Rect{0, 0, 1920, 1080}, true}, {Rect{1920, 0, 4480, 1440}, false}};
  struct Case {
    Rect area;
    std::optional<int> index;
    bool primary;
    int clockX, clockY, clockRad;  // the default of the window's own size
  };
  const Case cases[] = {
      {Rect{0, 0, 1920, 1080}, std::nullopt, true, 1920 - 126 - 36, 126 + 36, 126},
      {Rect{1920, 0, 4480, 1440}, std::nullopt, false, 0, 0, 0},
      {Rect{1920, 0, 4480, 1440}, 0, true, 2560 - 168 - 48, 168 + 48, 168},  // the daemon's number rules
  };
  for (const Case& c : cases) {
    app.hostedWidth = c.area.right - c.area.left;
    app.hostedHeight = c.area.bottom - c.area.top;
    app.hostedDesktopArea = c.area;
    TSaverOptions options = Hosted();
    options.flag_fps = true;
    options.saverIndex = c.index;
    sound.calls.clear();
    StartWith(options);
    EXPECT_EQ(form->Settings.flag_clock, c.primary) << c.area.left;
    EXPECT_EQ(form->Settings.flag_fps, c.primary) << c.area.left;
    EXPECT_EQ(sound.calls.size(), c.primary ? 1u : 0u) << c.area.left;
    if (c.primary) {
      EXPECT_EQ(form->DXClock1->GetXcenter(), c.clockX);
      EXPECT_EQ(form->DXClock1->GetYcenter(), c.clockY);
      EXPECT_EQ(form->DXClock1->GetRadius(), c.clockRad);
    }
    EXPECT_TRUE(registry.Values(kKey).empty());
    Window().RequestClose();
  }
}

TEST_F(HostedScene, AWindowOfItsOwnFollowsItsSizeAndEndsOnQEscapeOrClose) {
  Store(7, /*termMouse=*/true);
  TSaverOptions options;
  options.place = TSaverOptions::TPlace::Window;
  for (int ending = 0; ending < 3; ++ending) {
    StartWith(options);
    EXPECT_TRUE(Window().resizable);
    EXPECT_EQ(display.log.Count("SetDisplayMode(800,600,32,0,0)"), ending + 1) << display.log.Dump();
    EXPECT_TRUE(app.cursorCalls.empty());
    EXPECT_TRUE(system.saverRunningCalls.empty());
    Window().MouseMove(10, 10);
    Window().MouseMove(300, 300);
    Window().KeyDown('A');
    Window().Resize(500, 300);
    Compose();
    EXPECT_EQ(form->DDmain1->GetWidth(), 500);
    EXPECT_FALSE(Window().IsClosed()) << "the mouse and other keys end nothing";
    if (ending == 0) Window().KeyDown('Q');
    if (ending == 1) Window().KeyDown(VK_ESCAPE);
    if (ending == 2) Window().RequestClose();
    EXPECT_TRUE(Ended()) << ending;
    EXPECT_EQ(display.LiveObjects(), 0);
  }
  EXPECT_EQ(registry.Dword(kKey, "clockX"), 934);
}

TEST_F(HostedScene, KeysAndTheMouseAreTheDaemonsAndChangeNothing) {
  Store(7, /*termMouse=*/false);
  StartHosted();
  Window().MouseMove(100, 100);
  Window().MouseMove(300, 300);
  Window().KeyDown(VK_LEFT);
  Window().KeyPress('+');
  Window().KeyPress(27);
  EXPECT_FALSE(Window().IsClosed());
  EXPECT_TRUE(form->FRunning);
  EXPECT_EQ(registry.Dword(kKey, "clockX"), 934);
  EXPECT_EQ(registry.Dword(kKey, "Gamma"), 256);
}

TEST_F(HostedScene, ACloseRequestEndsCleanlyWithEverythingGivenBack) {
  Store();
  StartHosted();
  Compose();
  auto snapshot = [&] {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> values;
    for (const auto& v : registry.Values(kKey)) values.emplace_back(v.name, v.data);
    return values;
  };
  const auto before = snapshot();
  Window().RequestClose();  // what the daemon's SIGTERM becomes
  EXPECT_TRUE(Ended());
  EXPECT_EQ(timer.killCalls.size(), 1u);
  EXPECT_EQ(sound.calls, (std::vector<std::string>{"PlayLoop", "Stop"}));
  EXPECT_TRUE(system.saverRunningCalls.empty()) << "the daemon owns the saver-running state";
  EXPECT_EQ(display.LiveObjects(), 0);
  EXPECT_EQ(display.Misuses(), 0);
  EXPECT_TRUE(app.boxes.empty());
  EXPECT_EQ(snapshot(), before);
  Window().RequestClose();  // a second signal finds nothing left to do
  EXPECT_EQ(Window().closeCalls, 1);
}

TEST_F(HostedScene, AWindowThatCannotBeUsedIsAClearError) {
  app.refuseHosted = true;
  for (auto [id, message] : {std::pair{uint64_t{0x1234}, "The window 0x1234 cannot be drawn into."},
                             std::pair{uint64_t{0}, "The screen cannot be drawn on."}}) {
    try {
      StartHosted(id);
      ADD_FAILURE() << "no error for " << id;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

// The picture at every screen's proportions, read back from the surfaces the
// scene makes: the sky and the rocks are kept at the screen's size.
class PictureShape : public Scene {
 protected:
  struct Pixels {
    int w = 0, h = 0;
    std::vector<TColor> c;
    TColor At(int x, int y) const { return c[static_cast<size_t>(y) * w + x]; }
  };
  static Pixels Read(IDirectDrawSurface7* surface) {
    Pixels p;
    DDSURFACEDESC2 desc{};
    desc.dwSize = 124;
    if (!surface || surface->Lock(nullptr, &desc, 0, nullptr) != DD_OK) return p;
    p.w = static_cast<int>(desc.dwWidth);
    p.h = static_cast<int>(desc.dwHeight);
    for (int y = 0; y < p.h; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch);
      for (int x = 0; x < p.w; ++x) p.c.push_back(RGBColor((row[x] >> 16) & 0xFF, (row[x] >> 8) & 0xFF, row[x] & 0xFF));
    }
    surface->Unlock(nullptr);
    return p;
  }
  void StartAt(int w, int h) {
    display.modes.push_back({w, h, 32});
    Store(7, true, 1, /*defres=*/false, w, h, 32);
    Start();
    ASSERT_TRUE(form->FRunning) << w << "x" << h;
  }
  // Width over height of the sun disc: the box of its near-white pixels in the sky.
  double SunShape() {
    const Pixels sky = Read(form->DDbmp1ground->GetFpSurface());
    int left = sky.w, right = -1, top = sky.h, bottom = -1;
    for (int y = 0; y < sky.h; ++y)
      for (int x = 0; x < sky.w; ++x) {
        const TColor c = sky.At(x, y);
        if (RedOf(c) < 250 || GreenOf(c) < 240 || BlueOf(c) < 215) continue;
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
    EXPECT_GT(right, left);
    EXPECT_GT(bottom - top, 8) << "a disc, not a sliver";
    return (right - left + 1.0) / (bottom - top + 1.0);
  }
  // The share of aligned 2 x 2 blocks whose four pixels are equal, of the
  // blocks that are not all see-through (the rocks' key).
  static double RepeatedBlocks(const Pixels& p, std::optional<TColor> key = std::nullopt) {
    long same = 0, all = 0;
    for (int y = 0; y + 1 < p.h; y += 2)
      for (int x = 0; x + 1 < p.w; x += 2) {
        const TColor a = p.At(x, y);
        const bool equal = a == p.At(x + 1, y) && a == p.At(x, y + 1) && a == p.At(x + 1, y + 1);
        if (key && equal && a == *key) continue;
        ++all;
        same += equal;
      }
    return all ? static_cast<double>(same) / all : 1;
  }
};

TEST_F(PictureShape, TheSunStaysRoundOnEveryShape) {
  StartAt(800, 600);
  const double frame = SunShape();
  EXPECT_NEAR(frame, 1.0, 0.1);
  for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{2560, 1080}, std::pair{1080, 1920}, std::pair{1280, 1024}}) {
    form.reset();
    StartAt(w, h);
    EXPECT_NEAR(SunShape() / frame, 1.0, 0.1) << w << "x" << h;
    // The rocks along the whole bottom: the last rows are solid stone.
    const Pixels rocks = Read(form->DDbmp1stone->GetFpSurface());
    const TColor key = rocks.At(0, 0);
    int open = 0;
    for (int x = 0; x < rocks.w; ++x) open += rocks.At(x, rocks.h - 1) == key;
    EXPECT_EQ(open, 0) << w << "x" << h;
    EXPECT_EQ(form->DDbmp1stone->GetShowY() + rocks.h, h) << w << "x" << h;
  }
}

// A 3840 x 2160 screen shows the sky and the rocks drawn at its size, not
// enlarged pixels (twice 1920 x 1080 enlarged repeats 4 of 5 blocks).
TEST_F(PictureShape, At4KTheSkyAndTheRocksAreNotEnlargedPixels) {
  StartAt(3840, 2160);
  const Pixels sky = Read(form->DDbmp1ground->GetFpSurface());
  const Pixels rocks = Read(form->DDbmp1stone->GetFpSurface());
  ASSERT_EQ(sky.w, 3840);
  ASSERT_EQ(rocks.w, 3840);
  const double skyShare = RepeatedBlocks(sky), rockShare = RepeatedBlocks(rocks, rocks.At(0, 0));
  std::printf("repeated 2x2 blocks at 3840 x 2160: sky %.2f, rocks %.2f\n", skyShare, rockShare);
  // Enlarged twice by nearest pixel they were 0.82 and 0.81. A smooth dusk
  // sky at eight bits a channel repeats many blocks however it is drawn.
  EXPECT_LT(skyShare, 0.7);
  EXPECT_LT(rockShare, 0.4);
}

}  // namespace
}  // namespace velmo
