#include "app/preview_mode.h"

#include <gtest/gtest.h>

#include "app/convert.h"
#include "platform/fake/fake_foreign.h"

namespace velmo {
namespace {

TEST(Preview, WaitsForTheWindowProcessingMessagesThenPaintsOnceAtTheOrigin) {
  FakeForeignWindows windows;
  windows.pollsUntilVisible = 3;
  RunPreview("4660", windows);
  EXPECT_EQ(windows.messagePumps, 3);
  EXPECT_EQ(windows.log.Calls(), (std::vector<std::string>{"GetDC(4660)", "Draw(0,0,154x116)", "ReleaseDC(4660,dc)"}));
  // The picture covers exactly 154 x 116 from the top-left corner.
  const auto at = [&](int x, int y) { return windows.pixels[y * FakeForeignWindows::kWidth + x]; };
  EXPECT_NE(at(0, 0), 0x00FF0000u);
  EXPECT_NE(at(153, 115), 0x00FF0000u);
  EXPECT_EQ(at(154, 0), 0x00FF0000u);
  EXPECT_EQ(at(0, 116), 0x00FF0000u);
}

TEST(Preview, AWindowIdThatIsNoNumberIsAConversionError) {
  FakeForeignWindows windows;
  EXPECT_THROW(RunPreview("abc", windows), EConvertError);
  EXPECT_THROW(RunPreview("", windows), EConvertError);
  EXPECT_TRUE(windows.log.Calls().empty());
}

TEST(Preview, AWindowThatDoesNotExistOrGoesAwayEndsWithAMessageInsteadOfPollingForEver) {
  FakeForeignWindows missing;
  missing.exists = false;
  EXPECT_THROW(RunPreview("4660", missing), std::runtime_error);

  FakeForeignWindows vanishing;
  vanishing.pollsUntilVisible = 1000;
  vanishing.destroyAfterPolls = 5;
  try {
    RunPreview("4660", vanishing);
    FAIL() << "no error for a destroyed window";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Window 4660 does not exist.");
  }
  EXPECT_LE(vanishing.visibilityPolls, 7);
  EXPECT_TRUE(vanishing.log.Calls().empty());
}

TEST(Preview, AWindowThatRefusesDrawingIsReported) {
  FakeForeignWindows windows;
  windows.refuseDC = true;
  EXPECT_THROW(RunPreview("4660", windows), std::runtime_error);
}

}  // namespace
}  // namespace velmo
