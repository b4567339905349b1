#pragma once
// Analog clock drawn in one colour on the display's back buffer: a centre dot,
// 60 minute dots, 12 five-minute dots, 4 square quarter marks, two filled kite
// hands and a thin second hand, all with smooth edges. Every angle comes from
// 60-entry tables and every size from SetRadius, so drawing is look-ups,
// products and DC calls.
#include <array>
#include <cstdint>
#include <functional>

#include "components/component.h"
#include "platform/colour.h"
#include "platform/gdi.h"

namespace velmo {

class TDDmain;

struct ClockTime {
  int hour = 0;    // 0 to 23
  int minute = 0;  // 0 to 59
  int second = 0;  // 0 to 59 (a leap second 60 shows as 59)
};
using ClockSource = std::function<ClockTime()>;

// The local time of the system clock.
ClockTime LocalClockTime();

class TDXClock : public Component {
 public:
  static constexpr TColor kDefaultColor = 0xFFFFFF;

  explicit TDXClock(Component* owner, ClockSource clock = LocalClockTime);

  TDDmain* DDmainModule = nullptr;

  // The time the clock shows when drawn now; where its hands would stand.
  ClockTime CurrentTime() const { return FClock(); }
  // Replaces the time source (tests: a fixed time).
  void SetClockSource(ClockSource clock) { FClock = std::move(clock); }
  // Everything ShowClock draws lies inside this box (right and bottom excluded).
  Rect Bounds() const;

  int32_t GetXcenter() const { return FXcenter; }
  void SetXcenter(int32_t value) { FXcenter = value; }
  int32_t GetYcenter() const { return FYcenter; }
  void SetYcenter(int32_t value) { FYcenter = value; }
  int32_t GetRadius() const { return FRadius; }
  // Stores the radius and derives every size and hand model from it.
  void SetRadius(int32_t radius);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor value) { FColor = value; }

  void ShowClock();

  // Geometry, exposed for callers that place things by the clock and for tests.
  Point MarkPosition(int index) const;
  Point RotatePoint(Point model, int angle) const;
  float SinTable(int index) const { return FSinTable[index]; }
  float CosTable(int index) const { return FCosTable[index]; }

  struct Sizes {
    int32_t centreDot = 0;
    int32_t minuteDot = 0;
    int32_t fiveMinuteDot = 0;
    int32_t quarterMark = 0;
    int32_t hourLength = 0;
    int32_t hourHalfWidth = 0;
    int32_t minuteLength = 0;
    int32_t minuteHalfWidth = 0;
    int32_t secondWidth = 1;  // the second hand's pen
  };
  const Sizes& GetSizes() const { return FSizes; }
  const std::array<Point, 4>& GetHourHand() const { return FHourHand; }
  const std::array<Point, 4>& GetMinuteHand() const { return FMinuteHand; }
  const std::array<Point, 2>& GetSecondHand() const { return FSecondHand; }
  const std::array<Point, 4>& GetHourPoly() const { return FHourPoly; }
  const std::array<Point, 4>& GetMinutePoly() const { return FMinutePoly; }

  // The table angles of the three hands at a time of day.
  static int HourAngle(const ClockTime& t);
  static int MinuteAngle(const ClockTime& t);
  static int SecondAngle(const ClockTime& t);

 private:
  void DrawFace(IDeviceContext& dc, const ClockTime& now);

  ClockSource FClock;
  std::array<float, 60> FSinTable{};
  std::array<float, 60> FCosTable{};
  int32_t FXcenter = 200;
  int32_t FYcenter = 200;
  int32_t FRadius = 60;
  Sizes FSizes;
  std::array<Point, 4> FMinutePoly{};
  std::array<Point, 4> FMinuteHand{};
  std::array<Point, 4> FHourPoly{};
  std::array<Point, 4> FHourHand{};
  std::array<Point, 2> FSecondHand{};
  TColor FColor = kDefaultColor;
};

}  // namespace velmo
