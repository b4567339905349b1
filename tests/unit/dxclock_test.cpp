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

TEST_F(DXClockDrawing, DrawsEveryPartInOrderWithOnePenAndBrush) {
  clock.ShowClock();
  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u + 4 + 1 + 60 + 12 + 4 + 2 + 2 + 4 + 1) << display.driver.log.Dump();
  EXPECT_EQ(calls[0], "back.GetDC()");
  EXPECT_EQ(calls[1], "CreatePen(0,1,0x4080ff)");
  EXPECT_EQ(calls[2].rfind("SelectObject(", 0), 0u);
  EXPECT_EQ(calls[3], "CreateSolidBrush(0x4080ff)");
  EXPECT_EQ(calls[4].rfind("SelectObject(", 0), 0u);
  EXPECT_EQ(calls[5], "Ellipse(199,199,201,201)");  // centre dot
  EXPECT_EQ(calls[6], "Ellipse(199,259,201,261)");  // minute dot 0 around (200, 260)
  EXPECT_EQ(calls[66], "Ellipse(198,258,202,262)");  // five-minute dot 0
  EXPECT_EQ(calls[78], "Rectangle(198,258,202,262)");  // quarter mark 0
  EXPECT_EQ(calls[79], "Rectangle(138,198,142,202)");  // quarter mark 15 around (140, 200)
  EXPECT_EQ(calls[80], "Rectangle(197,138,201,142)");  // 30 around (199, 140)
  EXPECT_EQ(calls[81], "Rectangle(258,197,262,201)");  // 45 around (260, 199)
  EXPECT_EQ(calls[82], "Polygon((200,160),(203,200),(200,201),(197,200))");
  EXPECT_EQ(calls[83], "Polygon((200,146),(202,200),(200,202),(198,200))");
  EXPECT_EQ(calls[84], "MoveToEx(200,143)");
  EXPECT_EQ(calls[85], "LineTo(200,210)");
  EXPECT_EQ(calls[86].rfind("SelectObject(", 0), 0u);
  EXPECT_EQ(calls[87].rfind("DeleteObject(", 0), 0u);
  EXPECT_EQ(calls[88].rfind("SelectObject(", 0), 0u);
  EXPECT_EQ(calls[89].rfind("DeleteObject(", 0), 0u);
  EXPECT_EQ(calls[90], "back.ReleaseDC()");

  // Everything created was deleted and the stock objects are selected again.
  FakeDeviceContext& dc = display.Back()->Dc();
  EXPECT_EQ(dc.LiveObjects(), 0);
  EXPECT_EQ(dc.SelectedPen(), FakeDeviceContext::kStockPen);
  EXPECT_EQ(dc.SelectedBrush(), FakeDeviceContext::kStockBrush);
  EXPECT_EQ(clock.GetHourPoly(), (std::array<Point, 4>{Point{200, 160}, Point{203, 200}, Point{200, 201}, Point{197, 200}}));
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
