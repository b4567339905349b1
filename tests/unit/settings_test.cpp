#include "setup/settings.h"

#include <gtest/gtest.h>

#include "fakes/velmo_store.h"
#include "platform/fake/fake_registry.h"

namespace velmo {
namespace {

constexpr const char* kKey = FakeRegistry::kVelmoKey;

// Only the desktop's mode matters to the settings.
class DesktopOnly : public IDisplayDriver {
 public:
  DisplayMode mode{1024, 768, 32};
  HRESULT DirectDrawCreate(const DeviceGuid*, IDirectDraw**, void*) override { return E_FAIL; }
  DisplayMode DesktopMode() override { return mode; }
};

const std::vector<std::string> kSchemaOrder = {
    "NumBirds", "flag_clock", "flag_PlaySound", "flag_fps", "TermMouse", "Gamma",    "flag_defres", "ResHor",
    "ResVert",  "ColorDepth", "clockX",         "clockY",   "clockRad",  "ColorClock", "SetSpeed"};

class SettingsTest : public ::testing::Test {
 protected:
  void StoreAll(const TSaverSettings& s) { SaveSettings(store, s); }

  FakeRegistry registry;
  testing::VelmoStore store{registry};
  DesktopOnly display;
};

TEST_F(SettingsTest, DefaultsFollowTheDesktop) {
  display.mode = {1920, 1080, 24};
  TSaverSettings s;
  SetDefaultSettings(display, s);
  EXPECT_EQ(s.ResHor, 1920);
  EXPECT_EQ(s.ResVert, 1080);
  EXPECT_EQ(s.ColorDepth, 24);
  // The clock in proportion to the screen's smaller side: as on the 600 rows
  // it was drawn for (radius 70, 20 to the edges), on a 4K screen, in a
  // daemon's preview pane and in a tall narrow window.
  struct Case {
    int w, h, rad, margin;
  };
  for (const Case c : {Case{800, 600, 70, 20}, Case{1920, 1080, 126, 36}, Case{3840, 2160, 252, 72},
                       Case{725, 407, 47, 14}, Case{300, 700, 35, 10}}) {
    display.mode = {c.w, c.h, 24};
    SetDefaultSettings(display, s);
    EXPECT_EQ(s.clockRad, c.rad) << c.w << "x" << c.h;
    EXPECT_EQ(s.clockX, c.w - c.rad - c.margin) << c.w << "x" << c.h;
    EXPECT_EQ(s.clockY, c.rad + c.margin) << c.w << "x" << c.h;
  }
}

// One clock rule for the dialog and the saver: whatever the dialog offers on
// a screen, landscape or portrait, is drawn there as stored; a stored clock
// that does not fit is drawn at that screen's default instead.
TEST(ClockRule, WhatTheDialogOffersIsDrawnAsStoredAndWhatDoesNotFitAtTheDefault) {
  auto defaultOn = [](int w, int h) {
    TClockPlace c;
    DefaultClockPlacement(w, h, c.x, c.y, c.rad);
    return c;
  };
  for (auto [w, h] : {std::pair{1920, 1080}, {1080, 1920}, {800, 600}, {600, 800}}) {
    const TClockSpan radii = ClockRadiusSpan(w, h);
    for (const int32_t rad : {static_cast<int32_t>(radii.low), static_cast<int32_t>(radii.high)}) {
      const TClockSpan across = ClockCentreSpan(rad, w), down = ClockCentreSpan(rad, h);
      for (const int64_t x : {across.low, across.high})
        for (const int64_t y : {down.low, down.high})
          EXPECT_TRUE(ClockFits({static_cast<int32_t>(x), static_cast<int32_t>(y), rad}, w, h))
              << w << "x" << h << " (" << x << ", " << y << ") radius " << rad;
    }
    EXPECT_TRUE(ClockFits(defaultOn(w, h), w, h)) << w << "x" << h;
  }
  // Portrait: the largest radius comes from the width, not the height.
  EXPECT_EQ(ClockRadiusSpan(1080, 1920).high, 500);
  EXPECT_FALSE(ClockFits({540, 960, 920}, 1080, 1920));
  // Placed at the top right of 1920 x 1080: off the edge of a smaller screen
  // and of the same screen turned, where the default is drawn; on a larger
  // one it fits and stays where the user put it.
  const TClockPlace placed{1830, 90, 70};
  EXPECT_EQ(ClockOnScreen(placed, 1920, 1080), placed);
  EXPECT_EQ(ClockOnScreen(placed, 1280, 1024), defaultOn(1280, 1024));
  EXPECT_EQ(ClockOnScreen(placed, 1080, 1920), defaultOn(1080, 1920));
  EXPECT_EQ(ClockOnScreen(placed, 2560, 1440), placed);
  EXPECT_FALSE(ClockFits({1850, 90, 70}, 1920, 1080)) << "its last pixel column one past the edge";
  EXPECT_FALSE(ClockFits({0x7fffffff, 0x7fffffff, 0x7fffffff}, 1920, 1080));
  // A screen too small even for the default: on it, and no larger than it.
  const TClockPlace tiny = ClockOnScreen(placed, 100, 60);
  EXPECT_TRUE(tiny.rad <= 30 && tiny.x >= 0 && tiny.x < 100 && tiny.y >= 0 && tiny.y < 60);
}

TEST_F(SettingsTest, FirstRunStoresExactlyTheFifteenDefaultsInSchemaOrderInOneWrite) {
  TSaverSettings s;
  EXPECT_TRUE(LoadSettings(store, display, s).firstRun);
  ASSERT_EQ(registry.sets.size(), 1u);
  EXPECT_EQ(registry.sets[0], kSchemaOrder);
  const std::vector<int64_t> expected = {7, 1, 1, 1, 1, 256, 1, 1024, 768, 32, 908, 116, 90, 33023, 1};
  const auto values = registry.Values(kKey);
  ASSERT_EQ(values.size(), 15u);
  for (size_t i = 0; i < kSchemaOrder.size(); ++i) {
    EXPECT_EQ(values[i].type, REG_DWORD) << kSchemaOrder[i];
    EXPECT_EQ(registry.Dword(kKey, kSchemaOrder[i]), expected[i]) << kSchemaOrder[i];
  }
  EXPECT_EQ(s.clockX, 908);
}

TEST_F(SettingsTest, SaveThenLoadGivesTheSameRecord) {
  TSaverSettings out;
  SetDefaultSettings(display, out);
  out.NumBirds = 10;
  out.flag_clock = false;
  out.TermMouse = false;
  out.Gamma = 0;
  out.flag_defres = false;
  out.ResHor = 800;
  out.ResVert = 600;
  out.ColorDepth = 16;
  out.clockX = 100;
  out.clockY = 120;
  out.clockRad = 80;
  out.ColorClock = 0x00FFFFFF;
  out.SetSpeed = 2;
  StoreAll(out);
  TSaverSettings in;
  LoadSettings(store, display, in);
  EXPECT_TRUE(in == out);
}

// The idle start's two values: a file from before them, or a fresh one,
// means off and five minutes without a word; a delay out of range is not
// used; what is saved reads back; a mistyped value is an error, as ever.
TEST_F(SettingsTest, IdleSettingsDefaultQuietlyAndRoundTrip) {
  EXPECT_EQ(LoadIdleSettings(store), TIdleSettings{});
  TSaverSettings stored;
  SetDefaultSettings(display, stored);
  StoreAll(stored);
  EXPECT_EQ(LoadIdleSettings(store), TIdleSettings{});
  for (int minutes : {0, 121, -3}) {
    registry.PutDword(kKey, "IdleMinutes", static_cast<uint32_t>(minutes));
    EXPECT_EQ(LoadIdleSettings(store).IdleMinutes, 5) << minutes;
  }
  SaveIdleSettings(store, {true, 120});
  EXPECT_EQ(LoadIdleSettings(store), (TIdleSettings{true, 120}));
  LoadSettings(store, display, stored);  // the fifteen are untouched by them
  registry.PutString(kKey, "IdleStart", "yes");
  EXPECT_THROW(LoadIdleSettings(store), ERegistryException);
}

// A key lacking values (an older version, an editor) runs on defaults for
// them, writes nothing while loading, and its next write makes it whole in
// the same step, without undoing what was stored meanwhile. A viewer never writes.
TEST_F(SettingsTest, MissingValuesTakeTheirDefaultsAndTheNextWriteStoresThem) {
  TSaverSettings stored;
  SetDefaultSettings(display, stored);
  stored.NumBirds = 3;
  stored.SetSpeed = 2;
  StoreAll(stored);
  registry.Erase(kKey, "flag_clock");
  registry.Erase(kKey, "Gamma");
  registry.Erase(kKey, "clockY");
  registry.calls.clear();
  registry.sets.clear();

  TSaverSettings viewer;
  const TLoadReport seen = LoadSettings(store, display, viewer, TStoreAccess::kReadOnly);
  EXPECT_FALSE(seen.firstRun);
  EXPECT_EQ(seen.missing, (std::vector<std::string>{"flag_clock", "Gamma", "clockY"}));
  store.Write("clockX", 500);
  EXPECT_EQ(registry.WrittenNames(), std::vector<std::string>{"clockX"});

  TSaverSettings s;
  s.flag_clock = false;
  s.Gamma = -1;
  const TLoadReport report = LoadSettings(store, display, s);
  EXPECT_EQ(report.missing.size(), 3u);
  EXPECT_EQ(s.NumBirds, 3);
  EXPECT_EQ(s.SetSpeed, 2);
  EXPECT_TRUE(s.flag_clock);
  EXPECT_EQ(s.Gamma, 256);
  EXPECT_EQ(s.clockY, 116);
  EXPECT_EQ(s.clockX, 500);
  EXPECT_EQ(registry.WrittenNames(), std::vector<std::string>{"clockX"});  // loading wrote nothing

  registry.PutDword(kKey, "clockY", 444);  // someone else stores one meanwhile
  store.Write("Gamma", 200);
  ASSERT_EQ(registry.sets.size(), 1u);
  EXPECT_EQ(registry.sets[0], (std::vector<std::string>{"flag_clock", "Gamma"}));
  EXPECT_EQ(registry.Values(kKey).size(), 15u);
  EXPECT_EQ(registry.Dword(kKey, "Gamma"), 200);
  EXPECT_EQ(registry.Dword(kKey, "clockY"), 444);
  store.Write("Gamma", 199);
  EXPECT_EQ(registry.sets.size(), 1u);  // mended once
}

// The dialog's OK: values changed in it are stored, the rest stay as stored.
TEST_F(SettingsTest, SavingChangesKeepsWhatOthersStoredMeanwhile) {
  TSaverSettings before;
  SetDefaultSettings(display, before);
  StoreAll(before);
  registry.PutDword(kKey, "Gamma", 251);
  registry.PutDword(kKey, "clockX", 997);
  registry.Erase(kKey, "SetSpeed");
  registry.PutString(kKey, "clockRad", "x");
  TSaverSettings after = before;
  after.NumBirds = 4;
  registry.sets.clear();
  SaveChangedSettings(store, before, after);
  ASSERT_EQ(registry.sets.size(), 1u);
  EXPECT_EQ(registry.sets[0], (std::vector<std::string>{"NumBirds", "clockRad", "SetSpeed"}));
  EXPECT_EQ(registry.Dword(kKey, "NumBirds"), 4);
  EXPECT_EQ(registry.Dword(kKey, "Gamma"), 251);
  EXPECT_EQ(registry.Dword(kKey, "clockX"), 997);
  EXPECT_EQ(registry.Dword(kKey, "clockRad"), 90);  // the 1024 x 768 default
  EXPECT_EQ(registry.Dword(kKey, "SetSpeed"), 1);
}

TEST_F(SettingsTest, MistypedLaterValueStopsThere) {
  TSaverSettings stored;
  SetDefaultSettings(display, stored);
  StoreAll(stored);
  registry.PutString(kKey, "ColorClock", "red");
  TSaverSettings s;
  s.ColorClock = 0x123456;
  try {
    LoadSettings(store, display, s);
    FAIL() << "the load went through";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Invalid data type for 'ColorClock'\n\nthe settings key holds", 0), 0u)
        << e.what();
  }
  EXPECT_EQ(s.clockRad, 90);  // read before it
  EXPECT_EQ(s.ColorClock, 0x123456u);
}

TEST_F(SettingsTest, HandMadeKeyWithNumBirdsAsTextFailsAtOnce) {
  TSaverSettings stored;
  SetDefaultSettings(display, stored);
  StoreAll(stored);
  registry.PutString(kKey, "NumBirds", "12");
  registry.calls.clear();
  TSaverSettings s;
  EXPECT_THROW(LoadSettings(store, display, s), ERegistryException);
  EXPECT_TRUE(registry.WrittenNames().empty());  // not taken for a first run
  registry.PutString(kKey, "NumBirds", "twelve");
  try {
    LoadSettings(store, display, s);
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Failed to get data for 'NumBirds'\n", 0), 0u) << e.what();
  }
}

TEST_F(SettingsTest, FirstRunWithAStoreThatRefusesWritesStillGivesDefaults) {
  registry.setError = ERROR_ACCESS_DENIED;
  TSaverSettings s;
  EXPECT_NO_THROW(LoadSettings(store, display, s));
  EXPECT_EQ(s.NumBirds, 7);
  EXPECT_EQ(s.clockX, 908);
  FakeRegistry refusing;
  refusing.createError = ERROR_ACCESS_DENIED;
  testing::VelmoStore other(refusing);
  TSaverSettings t;
  EXPECT_NO_THROW(LoadSettings(other, display, t));
  EXPECT_EQ(t.Gamma, 256);
}

TEST_F(SettingsTest, ASaveIsWholeOrNothing) {
  TSaverSettings s;
  SetDefaultSettings(display, s);
  registry.setErrorFor["Gamma"] = ERROR_ACCESS_DENIED;
  try {
    SaveSettings(store, s);
    FAIL() << "the save went through";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'NumBirds'");
  }
  EXPECT_TRUE(registry.Values(kKey).empty());
}

}  // namespace
}  // namespace velmo
