#include "components/dxclock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "sprite_fixture.h"

namespace velmo {
namespace {

using testing::OpenDisplay;

class DXClockDrawing : public ::testing::Test {
 protected:
  DXClockDrawing() {
    clock.DDmainModule = display.device.get();
    clock.SetRadius(60);
    clock.SetColor(0x4080FF);
  }
  std::vector<std::string> Calls() const { return display.driver.log.Calls(); }

  OpenDisplay display{800, 600, 32};
  ClockTime now{12, 0, 0};
  TDXClock clock{nullptr, [this] { return now; }};
};

// Where the parts land is checked in pixels on the real display; here, what
// pixels cannot show: every part in the clock's colour through one pen and
// one brush, each given back and the device context's own objects restored.
TEST_F(DXClockDrawing, DrawsEveryPartInItsColourAndGivesBackWhatItMade) {
  clock.ShowClock();
  const auto& log = display.driver.log;
  EXPECT_EQ(log.Count("CreatePen(0,1,0x4080ff)"), 1) << log.Dump();
  EXPECT_EQ(log.Count("CreateSolidBrush(0x4080ff)"), 1);
  EXPECT_EQ(log.Containing("Ellipse(").size(), 1u + 60 + 12);  // centre, minute and five-minute dots
  EXPECT_EQ(log.Containing("Rectangle(").size(), 4u);           // quarter marks
  EXPECT_EQ(log.Containing("Polygon(").size(), 2u);             // hour and minute hands
  EXPECT_EQ(log.Count("back.GetDC()"), 1);
  EXPECT_EQ(log.Count("back.ReleaseDC()"), 1);
  FakeDeviceContext& dc = display.Back()->Dc();
  EXPECT_EQ(dc.LiveObjects(), 0);
  EXPECT_EQ(dc.SelectedPen(), FakeDeviceContext::kStockPen);
  EXPECT_EQ(dc.SelectedBrush(), FakeDeviceContext::kStockBrush);
}

TEST_F(DXClockDrawing, HandsFollowTheInjectedTime) {
  now = ClockTime{15, 42, 7};
  clock.ShowClock();
  const auto polygons = display.driver.log.Containing("Polygon");
  ASSERT_EQ(polygons.size(), 2u);
  const auto& hour = clock.GetHourPoly();
  const auto& minute = clock.GetMinutePoly();
  EXPECT_EQ(hour[0], clock.RotatePoint(clock.GetHourHand()[0], 18));
  EXPECT_EQ(minute[0], clock.RotatePoint(clock.GetMinuteHand()[0], 42));
  // The minute hand at 42 points down and left; the hour hand near 3:36 right and down.
  EXPECT_LT(minute[0].x, 200);
  EXPECT_GT(minute[0].y, 200);
  EXPECT_GT(hour[0].x, 230);
  EXPECT_GT(hour[0].y, 200);
  const Point tip = clock.RotatePoint(clock.GetSecondHand()[0], 7);
  EXPECT_EQ(display.driver.log.Count("MoveToEx(" + std::to_string(tip.x) + "," + std::to_string(tip.y) + ")"), 1);
}

TEST_F(DXClockDrawing, FarOffCentresAndHugeRadiiGiveBoundedCoordinates) {
  // Hand-edited settings can reach the clock as any 32-bit value; nothing it
  // hands the device context may have wrapped around.
  for (int32_t centre : {INT32_MAX, INT32_MIN}) {
    for (int32_t radius : {INT32_MAX, INT32_MIN}) {
      clock.SetXcenter(centre);
      clock.SetYcenter(-centre);
      clock.SetRadius(radius);
      clock.ShowClock();
    }
  }
  const std::string log = display.driver.log.Dump();
  const std::regex number("-?[0-9]+");
  for (auto it = std::sregex_iterator(log.begin(), log.end(), number); it != std::sregex_iterator(); ++it)
    ASSERT_LE(std::llabs(std::stoll(it->str())), 1LL << 30) << log;
}

TEST_F(DXClockDrawing, NoDeviceContextMeansNothingDrawnOrReleased) {
  display.driver.results.Queue("back.GetDC", {DDERR_CANTCREATEDC});
  clock.ShowClock();
  EXPECT_EQ(Calls(), std::vector<std::string>{"back.GetDC()"});
}

TEST(DXClock, NoDisplayMeansNothingDrawn) {
  TDXClock clock(nullptr, [] { return ClockTime{1, 2, 3}; });
  clock.SetRadius(60);
  clock.ShowClock();  // must not crash
  EXPECT_EQ(clock.GetHourPoly()[0], (Point{0, 0}));
}

TEST_F(DXClockDrawing, UnsetRadiusDrawsEverythingAtSizeZero) {
  TDXClock fresh(nullptr, [this] { return now; });
  fresh.DDmainModule = display.device.get();
  fresh.ShowClock();
  EXPECT_EQ(display.driver.log.Count("Ellipse(200,200,200,200)"), 1);
  EXPECT_EQ(display.driver.log.Count("Polygon((200,200),(200,200),(200,200),(200,200))"), 2);
}

}  // namespace
}  // namespace velmo
