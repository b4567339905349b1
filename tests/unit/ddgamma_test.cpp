#include "components/ddgamma.h"

#include <gtest/gtest.h>

#include "sprite_fixture.h"

namespace velmo {
namespace {

using testing::ErrorCounter;
using testing::OpenDisplay;

class DDgammaTest : public ::testing::Test {
 protected:
  DDgammaTest() {
    gamma.DDmainModule = display.device.get();
    gamma.OnError = errors.Handler();
  }
  FakeGammaControl* Control() const { return display.driver.LastGammaControl(); }

  OpenDisplay display{800, 600, 32};
  TDDgamma gamma{nullptr};
  ErrorCounter errors;
};

TEST(DDgamma, EnablingWithoutDisplayModuleIsReported) {
  TDDgamma gamma(nullptr);
  ErrorCounter errors;
  gamma.OnError = errors.Handler();
  gamma.SetEnabled(true);
  EXPECT_EQ(gamma.GetErrorResult(), "Error connect to DDMAIN");
  EXPECT_EQ(errors.count, 1);
  EXPECT_FALSE(gamma.GetEnabled());
}

TEST(DDgamma, EnablingOnAClosedDisplayIsReported) {
  FakeTimerService clock;
  FakeDisplayDriver driver;
  TDDmain closed(nullptr, driver, clock);
  TDDgamma gamma(nullptr);
  gamma.DDmainModule = &closed;
  gamma.SetEnabled(true);
  EXPECT_EQ(gamma.GetErrorResult(), "Error FpDD==NULL");
  EXPECT_FALSE(gamma.GetEnabled());
}

TEST_F(DDgammaTest, DisplayWithoutGammaSupportLeavesItOffSilently) {
  display.driver.caps.dwCaps2 = 0;
  gamma.SetEnabled(true);
  EXPECT_FALSE(gamma.GetEnabled());
  EXPECT_EQ(errors.count, 0);
  EXPECT_EQ(display.driver.log.Containing("QueryGammaControl").size(), 0u);
}

TEST_F(DDgammaTest, EnablingTakesTheControl) {
  gamma.SetEnabled(true);
  EXPECT_TRUE(gamma.GetEnabled());
  EXPECT_NE(gamma.GetFpGammaControl(), nullptr);
}

TEST_F(DDgammaTest, RefusedControlLeavesItOff) {
  display.driver.results.Queue("QueryGammaControl", {E_NOINTERFACE});
  gamma.SetEnabled(true);
  EXPECT_FALSE(gamma.GetEnabled());
  EXPECT_EQ(errors.count, 0);
}

TEST_F(DDgammaTest, RampsWrittenWhileEnabled) {
  gamma.SetEnabled(true);
  ASSERT_NE(Control(), nullptr);
  gamma.SetRGB(256);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(Control()->ramp.green[i], i * 256);
  gamma.SetRGB(0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(Control()->ramp.red[i], 0);
  gamma.SetRGB(257);
  EXPECT_EQ(Control()->ramp.blue[255], 65535);
  gamma.SetRGB(258);  // the low 16 bits of index times factor: wrapped
  EXPECT_EQ(Control()->ramp.blue[255], 254);
  EXPECT_EQ(Control()->ramp.blue[254], 65532);
  EXPECT_EQ(Control()->setCount, 4);
}

TEST_F(DDgammaTest, HalfRampOutlivesTheDisabledComponent) {
  gamma.SetEnabled(true);
  FakeGammaControl* control = Control();
  gamma.SetRGB(128);
  gamma.SetEnabled(false);
  EXPECT_FALSE(gamma.GetEnabled());
  EXPECT_TRUE(control->Released());
  EXPECT_EQ(control->ramp.red[255], 32640);
  EXPECT_EQ(control->setCount, 1);
  gamma.SetRGB(256);  // stored only
  EXPECT_EQ(control->setCount, 1);
  EXPECT_EQ(gamma.GetRGB(), 256);
  EXPECT_EQ(display.driver.Misuses(), 0);
}

TEST_F(DDgammaTest, StoredFactorIsNotAppliedByALaterEnabling) {
  gamma.SetRGB(64);
  gamma.SetEnabled(true);
  EXPECT_EQ(Control()->setCount, 0);
}

TEST_F(DDgammaTest, FailedReadStillWritesTheRamp) {
  gamma.SetEnabled(true);
  display.driver.results.Queue("GetGammaRamp", {DDERR_GENERIC});
  gamma.SetRGB(128);
  EXPECT_EQ(gamma.GetErrorResult(), "Cannot GetGammaRamp");
  EXPECT_EQ(errors.count, 1);
  EXPECT_EQ(Control()->setCount, 1);
  EXPECT_EQ(Control()->ramp.red[2], 256);
}

TEST_F(DDgammaTest, FailedWriteIsReported) {
  gamma.SetEnabled(true);
  display.driver.results.Queue("SetGammaRamp", {DDERR_GENERIC});
  gamma.SetRGB(128);
  EXPECT_EQ(gamma.GetErrorResult(), "Cannot SetGammaRamp");
  EXPECT_EQ(errors.count, 1);
}

TEST_F(DDgammaTest, HandlerDisablingOnAFailedReadStopsTheWrite) {
  gamma.SetEnabled(true);
  FakeGammaControl* control = Control();
  gamma.OnError = [this](Component*) { gamma.SetEnabled(false); };
  display.driver.results.Queue("GetGammaRamp", {DDERR_GENERIC});
  gamma.SetRGB(128);
  EXPECT_EQ(control->setCount, 0);
  EXPECT_EQ(display.driver.Misuses(), 0);
}

}  // namespace
}  // namespace velmo
