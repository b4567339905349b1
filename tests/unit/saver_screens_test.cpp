#include "scene/saver_screens.h"

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "components/ddani.h"
#include "components/ddmain.h"
#include "components/dxclock.h"
#include "platform/monitor_layout.h"
#include "scene/form1.h"
#include "fakes/fake_platform.h"

namespace velmo {
namespace {

MonitorArea M(int x, int y, int w, int h, bool primary = false) { return {Rect{x, y, x + w, y + h}, primary}; }

TEST(DistinctMonitors, EachPartOfTheDesktopOnceThePrimaryFirst) {
  // Side by side, mixed sizes, the primary on the right.
  EXPECT_EQ(DistinctMonitors({M(0, 0, 1280, 1024), M(1280, 0, 1920, 1080, true)}),
            (std::vector<MonitorArea>{M(1280, 0, 1920, 1080, true), M(0, 0, 1280, 1024)}));
  // A mirror of the primary and a monitor inside another count once, as the larger.
  EXPECT_EQ(DistinctMonitors({M(0, 0, 1920, 1080), M(0, 0, 1920, 1080, true), M(100, 100, 800, 600),
                              M(1920, 0, 1280, 1024), M(1920, 0, 1280, 1024)}),
            (std::vector<MonitorArea>{M(0, 0, 1920, 1080, true), M(1920, 0, 1280, 1024)}));
  // A primary inside a larger monitor: the larger one is the primary.
  EXPECT_EQ(DistinctMonitors({M(0, 0, 3840, 2160), M(0, 0, 1920, 1080, true)}),
            (std::vector<MonitorArea>{M(0, 0, 3840, 2160, true)}));
  // Negative origins, none marked: the one holding the origin leads, the rest left to right.
  EXPECT_EQ(DistinctMonitors({M(1920, 0, 1024, 768), M(0, 0, 1920, 1080), M(-1280, -200, 1280, 1024)}),
            (std::vector<MonitorArea>{M(0, 0, 1920, 1080, true), M(-1280, -200, 1280, 1024), M(1920, 0, 1024, 768)}));
  // Empty areas are none; nothing listed, nothing to cover.
  EXPECT_EQ(DistinctMonitors({M(0, 0, 0, 1080), M(5, 5, 640, 480)}),
            (std::vector<MonitorArea>{M(5, 5, 640, 480, true)}));
  EXPECT_TRUE(DistinctMonitors({}).empty());
}

TEST(HoldsTheSurf, TheSaverOnThePrimaryMonitorOrNumberedZero) {
  const std::vector<MonitorArea> desk{M(1920, 0, 1920, 1080, true), M(0, 0, 1920, 1080)};
  EXPECT_TRUE(HoldsTheSurf(Rect{1920, 0, 3840, 1080}, desk, std::nullopt));
  EXPECT_FALSE(HoldsTheSurf(Rect{0, 0, 1920, 1080}, desk, std::nullopt));
  // Without RandR: the window holding the root's origin.
  EXPECT_TRUE(HoldsTheSurf(Rect{0, 0, 1920, 1080}, {}, std::nullopt));
  EXPECT_FALSE(HoldsTheSurf(Rect{1920, 0, 3840, 1080}, {}, std::nullopt));
  // A multiplexer's numbering decides when given.
  EXPECT_TRUE(HoldsTheSurf(Rect{0, 0, 1920, 1080}, desk, 0));
  EXPECT_FALSE(HoldsTheSurf(Rect{1920, 0, 3840, 1080}, desk, 1));
  EXPECT_EQ(SaverIndexOf("0"), 0);
  EXPECT_EQ(SaverIndexOf("junk"), std::nullopt);
  EXPECT_EQ(SaverIndexOf(""), std::nullopt);
}

class Screens : public ::testing::Test, protected FakePlatform {
 protected:
  std::unique_ptr<TSaverScreens> screens;

  void SetUp() override {
    display.desktop = {1920, 1080, 32};
    display.modes = {{1920, 1080, 32}, {1280, 1024, 32}, {1024, 768, 32}};
    display.monitorAreas = {M(0, 0, 1920, 1080, true), M(1920, 0, 1280, 1024)};
  }
  void Start() {
    screens = std::make_unique<TSaverScreens>(platform);
    screens->Start();
  }
  FakeWindow& Window(size_t i) { return static_cast<FakeWindow&>(screens->Scene(i).Window()); }
  void Compose(int frames = 1) {
    for (int i = 0; i < frames; ++i) {
      bool done = true;
      app.idle(done);
    }
  }
};

TEST_F(Screens, EveryMonitorHasItsSceneAtItsSizeWithOneClockOneTextAndOneSurf) {
  Start();
  ASSERT_EQ(screens->Count(), 2u);
  TForm1& primary = screens->Scene(0);
  TForm1& second = screens->Scene(1);
  EXPECT_EQ(Window(0).area, (Rect{0, 0, 1920, 1080}));
  EXPECT_EQ(Window(1).area, (Rect{1920, 0, 3200, 1024}));
  EXPECT_EQ(display.log.Count("SetDisplayMode(1920,1080,32,0,0)"), 1) << display.log.Dump();
  EXPECT_EQ(display.log.Count("SetDisplayMode(1280,1024,32,0,0)"), 1);
  // 1280 x 1024 shows 40 rows more sky than the 4:3 frame, at 1.6 pixels a unit.
  EXPECT_EQ(second.DDani1sea->GetShowY(), (380 + 40) * 16 / 10);
  EXPECT_TRUE(primary.Settings.flag_clock && primary.Settings.flag_fps);
  EXPECT_FALSE(second.Settings.flag_clock || second.Settings.flag_fps || second.Settings.flag_PlaySound);
  EXPECT_EQ(sound.calls, std::vector<std::string>{"PlayLoop"});
  EXPECT_EQ(app.cursorCalls, std::vector<bool>{false});
  Compose(3);
  EXPECT_TRUE(primary.FRunning && second.FRunning);
  // Input on the second monitor ends the whole saver, in order.
  Window(1).KeyDown('X');
  EXPECT_TRUE(primary.FEnded && second.FEnded);
  EXPECT_TRUE(Window(0).closed && Window(1).closed);
  EXPECT_EQ(sound.calls.back(), "Stop");
  EXPECT_EQ(system.saverRunningCalls, (std::vector<bool>{true, false}));
}

// An error on any monitor shows its box only once every scene, the timer
// and the surf have stopped: nothing runs on behind a box that waits.
TEST_F(Screens, AnErrorBoxOnTheSecondMonitorWaitsForEverythingToStop) {
  Start();
  ASSERT_EQ(screens->Count(), 2u);
  Compose(2);
  bool allStopped = false;
  app.onMessageBox = [&] {
    allStopped = screens->Scene(0).FEnded && screens->Scene(1).FEnded && sound.calls.back() == "Stop" &&
                 system.saverRunningCalls.back() == false;
  };
  screens->Scene(1).DDmain1Error(nullptr);
  ASSERT_EQ(app.boxes.size(), 1u);
  EXPECT_TRUE(allStopped);
  EXPECT_TRUE(Window(0).closed && Window(1).closed);
  EXPECT_TRUE(screens->Failed());
}

TEST_F(Screens, MonitorsOfOneSizeStartedInOneSecondFlyFlocksOfTheirOwn) {
  display.monitorAreas = {M(0, 0, 1920, 1080, true), M(1920, 0, 1920, 1080)};
  Start();
  ASSERT_EQ(screens->Count(), 2u);
  const auto places = [&](size_t i) {
    std::vector<std::pair<int32_t, int32_t>> at;
    for (const TBirdState& b : screens->Scene(i).FBirds) at.emplace_back(b.X.load(), b.Y.load());
    return at;
  };
  // They start in one formation; their flights are drawn at random.
  for (int tick = 0; tick < 40; ++tick) timer.AdvanceAndFire(50);
  EXPECT_NE(places(0), places(1)) << "the second monitor flies the primary's very flock";
}

TEST_F(Screens, KeysOnAnyMonitorMoveTheOneClockAndDimEveryMonitor) {
  Start();  // first run: the whole set; then keyboard only
  screens.reset();
  registry.PutDword(FakeRegistry::kVelmoKey, "TermMouse", 0);
  Start();
  const int x = screens->Scene(0).Settings.clockX;
  Window(1).KeyDown(VK_LEFT);
  Window(1).KeyPress('-');
  EXPECT_EQ(screens->Scene(0).Settings.clockX, x - 1);
  EXPECT_EQ(screens->Scene(1).Settings.Gamma, 255);
  screens->Scene(0).StoreKeyChanges();
  EXPECT_EQ(registry.Dword(FakeRegistry::kVelmoKey, "Gamma"), 255);
  Window(1).MouseMove(10, 10);
  Window(1).MouseMove(400, 400);  // the mouse ends nothing in this mode
  Window(0).MouseDown();
  Window(1).MouseDown();
  EXPECT_FALSE(screens->Scene(0).FEnded);
}

TEST_F(Screens, APointerMovedWithTheMonitorsIsNoMovementButTheNextOneAndAClickAnywhereEnd) {
  Start();
  Compose();
  Window(1).MouseMove(2500, 900);  // one last place for the desktop: recorded
  Window(0).MouseMove(2502, 902);
  display.monitorAreas = {M(0, 0, 1920, 1080, true)};  // the second monitor goes
  display.monitorsChanged = true;
  Window(0).MouseMove(1919, 900);  // moved by the server, seen before the frame that follows
  Compose();
  Window(0).MouseMove(1919, 500);
  EXPECT_FALSE(screens->Scene(0).FEnded);
  timer.Advance(TSaverScreens::kLayoutSettleMs);
  Window(0).MouseMove(1900, 500);
  EXPECT_TRUE(screens->Scene(0).FEnded);

  display.monitorAreas = {M(0, 0, 1920, 1080, true), M(1920, 0, 1280, 1024)};
  screens.reset();
  Start();
  Window(1).MouseDown();
  EXPECT_TRUE(screens->Scene(0).FEnded && Window(0).closed);
}

TEST_F(Screens, AMonitorAddedRemovedOrResizedIsFollowedAtTheNextFrame) {
  Start();
  Compose();
  display.monitorAreas = {M(0, 0, 1920, 1080, true), M(1920, 0, 1024, 768), M(2944, 0, 800, 600)};
  display.monitorsChanged = true;
  Compose();
  ASSERT_EQ(screens->Count(), 3u);
  EXPECT_EQ(Window(1).area, (Rect{1920, 0, 2944, 768}));
  EXPECT_EQ(screens->Scene(1).DDmain1->GetWidth(), 1024);
  EXPECT_EQ(screens->Scene(1).DDani1sea->GetShowY(), 768 * 380 / 600);
  EXPECT_TRUE(screens->Scene(2).FRunning);
  // One frame timer, the primary's, moves every scene: the sea rolls on every monitor at the same tick.
  EXPECT_EQ(timer.RunningCount(), 1u);
  const int32_t sea = screens->Scene(0).FSeaFrame;
  const int32_t y = screens->Scene(2).FBirds[0].Y;
  timer.AdvanceAndFire(50);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(screens->Scene(i).FSeaFrame, (sea + 1) % 32);
  EXPECT_NE(screens->Scene(2).FBirds[0].Y, y);  // a gull climbs or sinks at every tick
  display.monitorAreas = {M(0, 0, 1920, 1080, true)};
  display.monitorsChanged = true;
  Compose();
  timer.AdvanceAndFire(50);  // ticks the scenes still there only
  EXPECT_EQ(screens->Count(), 1u);
  EXPECT_TRUE(screens->Scene(0).FRunning) << "a monitor going away ends nothing";
  EXPECT_EQ(sound.calls, std::vector<std::string>{"PlayLoop"});
}

TEST_F(Screens, AModeOfItsOwnIsThePrimarysAndItsChangeIsNotFollowed) {
  const std::pair<const char*, uint32_t> stored[] = {{"NumBirds", 7}, {"flag_defres", 0}, {"ResHor", 1024},
                                                     {"ResVert", 768}, {"ColorDepth", 32}};
  Start();  // first run: the whole set
  screens.reset();
  for (auto& [name, value] : stored) registry.PutDword(FakeRegistry::kVelmoKey, name, value);
  Start();
  EXPECT_EQ(display.log.Count("SetDisplayMode(1024,768,32,0,0)"), 1) << display.log.Dump();
  EXPECT_EQ(display.log.Count("SetDisplayMode(1280,1024,32,0,0)"), 2);
  display.monitorAreas = {M(0, 0, 1024, 768, true), M(1920, 0, 1280, 1024)};
  display.monitorsChanged = true;
  Compose();
  EXPECT_EQ(Window(0).area, (Rect{0, 0, 1920, 1080}));
  EXPECT_EQ(screens->Scene(0).DDmain1->GetWidth(), 1024);
}

TEST_F(Screens, AStoredClockIsDrawnAsStoredWhereItFitsAndAtTheDefaultOnlyWhileItDoesNot) {
  Start();
  screens.reset();
  for (auto [name, value] : {std::pair{"clockX", 1830}, {"clockY", 90}, {"clockRad", 70}})
    registry.PutDword(FakeRegistry::kVelmoKey, name, value);
  Start();
  auto shown = [&] {
    const TDXClock& c = *screens->Scene(0).DXClock1;
    return TClockPlace{c.GetXcenter(), c.GetYcenter(), c.GetRadius()};
  };
  EXPECT_EQ(shown(), (TClockPlace{1830, 90, 70}));
  // The primary at 1280 x 1024: it would stand off the edge, the default is drawn.
  display.monitorAreas = {M(0, 0, 1280, 1024, true)};
  display.monitorsChanged = true;
  Compose();
  EXPECT_EQ(shown(), ClockOnScreen({1830, 90, 70}, 1280, 1024));
  EXPECT_NE(shown().x, 1830);
  EXPECT_EQ(registry.Dword(FakeRegistry::kVelmoKey, "clockX"), 1830) << "the store keeps its value";
  display.monitorAreas = {M(0, 0, 1920, 1080, true)};
  display.monitorsChanged = true;
  Compose();
  EXPECT_EQ(shown(), (TClockPlace{1830, 90, 70})) << "back at its place";
}

}  // namespace
}  // namespace velmo
