#include <gtest/gtest.h>

#include "components/ddgamma.h"

namespace velmo {
namespace {

DDGAMMARAMP Ramp(int rgb) {
  DDGAMMARAMP ramp;
  ramp.red.fill(1);
  ramp.green.fill(1);
  ramp.blue.fill(1);
  FillGammaRamp(rgb, ramp);
  return ramp;
}

TEST(GammaRamp, FactorsGiveTheLowBitsOfIndexTimesFactor) {
  for (int rgb : {256, 128, 0, 257, 258, 1000, -1}) {
    const DDGAMMARAMP ramp = Ramp(rgb);
    for (int i = 0; i < 256; ++i) {
      const auto expected = static_cast<uint16_t>((static_cast<uint32_t>(i) * static_cast<uint32_t>(rgb)) & 0xFFFF);
      ASSERT_EQ(ramp.red[i], expected) << "rgb " << rgb << " entry " << i;
      ASSERT_EQ(ramp.green[i], expected);
      ASSERT_EQ(ramp.blue[i], expected);
    }
  }
}

TEST(GammaRamp, WorkedValues) {
  EXPECT_EQ(Ramp(256).red[255], 65280);
  EXPECT_EQ(Ramp(256).green[1], 256);
  EXPECT_EQ(Ramp(128).blue[255], 32640);
  EXPECT_EQ(Ramp(0).red[200], 0);
  EXPECT_EQ(Ramp(257).red[255], 65535);
  EXPECT_EQ(Ramp(258).red[255], 254);  // wrapped
  EXPECT_EQ(Ramp(258).red[254], 65532);
}

}  // namespace
}  // namespace velmo
