#include "components/dxclock.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <ctime>

#include "components/ddmain.h"
#include "platform/display.h"

namespace velmo {

namespace {

// The full turn as the tables were always built: a single-precision constant
// a little below 2 pi, so the marks near 6 and 9 o'clock truncate one pixel in.
constexpr float kTurn = 6.283184f;

int TableIndex(int i) { return ((i % 60) + 60) % 60; }

// Screen coordinates are worked out wide and kept within +-2^30, so a centre
// or radius far off the screen cannot overflow; the device context clips.
constexpr int64_t kCoordLimit = int64_t{1} << 30;
int32_t Coord(int64_t v) { return static_cast<int32_t>(std::clamp(v, -kCoordLimit, kCoordLimit)); }
int32_t Coord(long double v) {
  return static_cast<int32_t>(std::clamp<long double>(std::trunc(v), -kCoordLimit, kCoordLimit));
}

}  // namespace

ClockTime LocalClockTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return ClockTime{local.tm_hour, local.tm_min, local.tm_sec};
}

TDXClock::TDXClock(Component* owner, ClockSource clock) : Component(owner), FClock(std::move(clock)) {
  if (!FClock) FClock = LocalClockTime;
  for (int i = 0; i < 60; ++i) {
    const long double angle = static_cast<long double>(i) * static_cast<long double>(kTurn) * (1.0L / 60.0L);
    FSinTable[i] = static_cast<float>(std::sin(static_cast<double>(angle)));
    FCosTable[i] = static_cast<float>(std::cos(static_cast<double>(angle)));
  }
}

void TDXClock::SetRadius(int32_t R) {
  FRadius = R;
  const bool small = R < 80;
  FSizes.centreDot = R / 40;
  FSizes.minuteDot = small ? 1 : R / 70;
  FSizes.fiveMinuteDot = small ? 2 : R / 40;
  FSizes.quarterMark = small ? 2 : R / 30;
  FSizes.hourLength = R - R / 3;
  FSizes.hourHalfWidth = R / 20;
  FSizes.minuteLength = R - R / 10;
  FSizes.minuteHalfWidth = R / 30;
  FSizes.secondWidth = std::max(1, R / 90);

  const int32_t Lh = FSizes.hourLength, Wh = FSizes.hourHalfWidth;
  FHourHand = {Point{0, -Lh}, Point{Wh, 0}, Point{0, Wh / 2}, Point{-Wh, 0}};
  const int32_t Lm = FSizes.minuteLength, Wm = FSizes.minuteHalfWidth;
  FMinuteHand = {Point{0, -Lm}, Point{Wm, 0}, Point{0, Wm}, Point{-Wm, 0}};
  FSecondHand = {Point{0, -(R - R / 20)}, Point{0, R / 6}};
}

Point TDXClock::MarkPosition(int index) const {
  const int i = TableIndex(index);
  const long double r = FRadius;
  return Point{Coord(FXcenter - r * FSinTable[i]), Coord(FYcenter + r * FCosTable[i])};
}

Point TDXClock::RotatePoint(Point model, int angle) const {
  const int k = TableIndex(angle);
  const long double mx = model.x, my = model.y;
  const long double s = FSinTable[k], c = FCosTable[k];
  return Point{Coord(FXcenter + mx * c - my * s), Coord(FYcenter + mx * s + my * c)};
}

int TDXClock::HourAngle(const ClockTime& t) {
  const int hour = std::clamp(t.hour, 0, 23);
  return (hour >= 12 ? hour - 12 : hour) * 5 + std::clamp(t.minute, 0, 59) / 12;
}

int TDXClock::MinuteAngle(const ClockTime& t) { return std::clamp(t.minute, 0, 59); }

int TDXClock::SecondAngle(const ClockTime& t) { return std::clamp(t.second, 0, 59); }

Rect TDXClock::Bounds() const {
  // The marks sit on the radius, the hands inside it; the widest mark and a
  // pixel of rounding on each side make the margin.
  const int64_t margin = std::max({FSizes.centreDot, FSizes.minuteDot, FSizes.fiveMinuteDot, FSizes.quarterMark,
                                   FSizes.hourHalfWidth, FSizes.minuteHalfWidth}) + 2;
  const int64_t reach = int64_t{FRadius} + margin;
  auto clamp = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); };
  return Rect{clamp(FXcenter - reach), clamp(FYcenter - reach), clamp(FXcenter + reach + 1), clamp(FYcenter + reach + 1)};
}

void TDXClock::ShowClock() {
  const ClockTime now = FClock();
  if (!DDmainModule) return;
  IDirectDrawSurface7* back = DDmainModule->GetFpDDSBack();
  if (!back) return;
  IDeviceContext* dc = nullptr;
  if (back->GetDC(&dc) != DD_OK || !dc) return;
  // Smooth edges: the hands turn through every angle, where whole pixels
  // show stair steps.
  dc->SetSmoothEdges(true);

  const HGDIOBJ pen = dc->CreatePen(PS_SOLID, 1, FColor);
  const HGDIOBJ oldPen = dc->SelectObject(pen);
  const HGDIOBJ brush = dc->CreateSolidBrush(FColor);
  const HGDIOBJ oldBrush = dc->SelectObject(brush);

  DrawFace(*dc, now);

  dc->SelectObject(oldPen);
  dc->DeleteObject(pen);
  dc->SelectObject(oldBrush);
  dc->DeleteObject(brush);
  back->ReleaseDC(dc);
}

void TDXClock::DrawFace(IDeviceContext& dc, const ClockTime& now) {
  // The box of half-size r around (x, y).
  auto box = [](int64_t x, int64_t y, int64_t r) {
    return std::array<int32_t, 4>{Coord(x - r), Coord(y - r), Coord(x + r), Coord(y + r)};
  };
  auto ellipse = [&](int64_t x, int64_t y, int64_t r) {
    const auto b = box(x, y, r);
    dc.Ellipse(b[0], b[1], b[2], b[3]);
  };
  ellipse(FXcenter, FYcenter, FSizes.centreDot);
  for (int i = 0; i < 60; ++i) {
    const Point p = MarkPosition(i);
    ellipse(p.x, p.y, FSizes.minuteDot);
  }
  for (int i = 0; i < 60; i += 5) {
    const Point p = MarkPosition(i);
    ellipse(p.x, p.y, FSizes.fiveMinuteDot);
  }
  for (int i = 0; i < 60; i += 15) {
    const Point p = MarkPosition(i);
    const auto b = box(p.x, p.y, FSizes.quarterMark);
    dc.Rectangle(b[0], b[1], b[2], b[3]);
  }

  const int hourAngle = HourAngle(now);
  for (size_t i = 0; i < FHourHand.size(); ++i) FHourPoly[i] = RotatePoint(FHourHand[i], hourAngle);
  dc.Polygon(FHourPoly.data(), static_cast<int>(FHourPoly.size()));

  const int minuteAngle = MinuteAngle(now);
  for (size_t i = 0; i < FMinuteHand.size(); ++i) FMinutePoly[i] = RotatePoint(FMinuteHand[i], minuteAngle);
  dc.Polygon(FMinutePoly.data(), static_cast<int>(FMinutePoly.size()));

  const int secondAngle = SecondAngle(now);
  const Point from = RotatePoint(FSecondHand[0], secondAngle);
  const Point to = RotatePoint(FSecondHand[1], secondAngle);
  // As thick as the hands are slender on a large clock.
  const HGDIOBJ thick = FSizes.secondWidth > 1 ? dc.CreatePen(PS_SOLID, FSizes.secondWidth, FColor) : 0;
  const HGDIOBJ thin = thick ? dc.SelectObject(thick) : 0;
  dc.MoveToEx(from.x, from.y, nullptr);
  dc.LineTo(to.x, to.y);
  if (thick) {
    dc.SelectObject(thin);
    dc.DeleteObject(thick);
  }
}

}  // namespace velmo
