#include "setup/mode_probe.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/fake/fake_display.h"
#include "setup/number_field.h"

namespace velmo {
namespace {

TEST(ModeTable, AnswersOnlyForListedModesOfTheTable) {
  TModeTable table;
  table.MarkListed(1024, 768, 32);
  table.MarkListed(640, 480, 16);  // not offered: ignored
  EXPECT_TRUE(table.IsModeSupported(1024, 768, 32));
  EXPECT_FALSE(table.IsModeSupported(1024, 768, 16));
  EXPECT_FALSE(table.IsModeSupported(640, 480, 16));
  EXPECT_FALSE(table.IsModeSupported(1024, 600, 32));
}

TEST(ProbeDisplayModes, MarksEveryListedModeAndReleasesTheDriver) {
  FakeDisplayDriver display;
  display.modes = {{640, 480, 16}, {800, 600, 16}, {1024, 768, 32}, {1920, 1080, 24}, {1280, 1024, 24}};
  TModeTable table;
  table.MarkListed(1152, 864, 16);  // a probe starts from a clean table
  ASSERT_TRUE(ProbeDisplayModes(display, table));
  EXPECT_TRUE(table.IsModeSupported(800, 600, 16));
  EXPECT_TRUE(table.IsModeSupported(1024, 768, 32));
  EXPECT_TRUE(table.IsModeSupported(1280, 1024, 24));
  EXPECT_FALSE(table.IsModeSupported(1024, 768, 16));
  EXPECT_FALSE(table.IsModeSupported(1152, 864, 16));
  EXPECT_EQ(display.LiveObjects(), 0) << display.log.Dump();
}

TEST(ProbeDisplayModes, FailedCreationLeavesEverythingUnsupported) {
  FakeDisplayDriver display;
  display.results.SetDefault("DirectDrawCreate", E_FAIL);
  TModeTable table;
  EXPECT_FALSE(ProbeDisplayModes(display, table));
  for (const TModeEntry& m : table.Entries()) EXPECT_FALSE(m.supported);
}

TEST(ProbeGammaSupport, ReadsThePrimaryGammaCapability) {
  FakeDisplayDriver display;
  display.caps.dwCaps2 = DDCAPS2_PRIMARYGAMMA | 0x1;
  EXPECT_EQ(ProbeGammaSupport(display), std::optional<bool>(true));
  display.caps.dwCaps2 = 0x1;
  EXPECT_EQ(ProbeGammaSupport(display), std::optional<bool>(false));
  EXPECT_EQ(display.LiveObjects(), 0);
  display.results.SetDefault("DirectDrawCreate", E_FAIL);
  EXPECT_EQ(ProbeGammaSupport(display), std::nullopt);
}

TEST(NumberField, ParsesLikeAtol) {
  EXPECT_EQ(ParseLikeAtol(""), 0);
  EXPECT_EQ(ParseLikeAtol("abc"), 0);
  EXPECT_EQ(ParseLikeAtol("  42x7"), 42);
  EXPECT_EQ(ParseLikeAtol("\t-17"), -17);
  EXPECT_EQ(ParseLikeAtol("+8"), 8);
  EXPECT_EQ(ParseLikeAtol("- 8"), 0);
  EXPECT_EQ(ParseLikeAtol("007"), 7);
  EXPECT_EQ(ParseLikeAtol("123456789012345678901234567890"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(ParseLikeAtol("-123456789012345678901234567890"), std::numeric_limits<int64_t>::min());
}

TEST(NumberField, ClampsLowerBoundFirstAndSaturates) {
  EXPECT_EQ(ClampLowerFirst(5, 90, 934), 90);
  EXPECT_EQ(ClampLowerFirst(2000, 90, 934), 934);
  EXPECT_EQ(ClampLowerFirst(500, 90, 934), 500);
  // An empty range gives the lower bound.
  EXPECT_EQ(ClampLowerFirst(300, 364, 236), 364);
  EXPECT_EQ(ClampLowerFirst(0, int64_t{std::numeric_limits<int>::max()} + 20, 0), std::numeric_limits<int>::max());
}

}  // namespace
}  // namespace velmo
