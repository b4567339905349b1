// Sprites and the clock on the real SDL display layer
// (SDL's offscreen driver): what lands in the back buffer, read back.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <span>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/ddmain.h"
#include "components/dxclock.h"
#include "pixel/sdl_test_window.h"
#include "platform/fake/fake_timer.h"
#include "platform/pixel_format.h"
#include "platform/sdl/sdl_display.h"

namespace velmo {
namespace {

constexpr uint32_t kBackground = 0x203040;  // native value at 24 and 32 bits

class RealDisplay {
 public:
  explicit RealDisplay(int bits) {
    driver = MakeSdlDisplayDriver();
    window = std::make_unique<SdlTestWindow>();
    const DisplayMode desktop = driver->DesktopMode();
    device = std::make_unique<TDDmain>(nullptr, *driver, clock);
    device->SetOwnerWindow(window.get());
    device->SetWidth(desktop.width);
    device->SetHeight(desktop.height);
    device->SetColorDepth(bits);
    device->SetEnabled(true);
    this->bits = bits;
  }
  ~RealDisplay() {
    if (device) device->SetEnabled(false);
  }
  bool Open() const { return device->GetFpDDSBack() != nullptr; }
  int W() const { return device->GetWidth(); }
  int H() const { return device->GetHeight(); }
  IDirectDrawSurface7* Back() const { return device->GetFpDDSBack(); }

  uint32_t Native(TColor colour) const { return NativeFromColour(colour, bits); }

  void FillBack(uint32_t native) {
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwFillColor = native;
    Back()->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  }

  // Every native value of a surface, row by row.
  static std::vector<std::vector<uint32_t>> Read(IDirectDrawSurface7* surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = 124;
    std::vector<std::vector<uint32_t>> rows;
    if (surface->Lock(nullptr, &desc, 0, nullptr) != DD_OK) return rows;
    for (uint32_t y = 0; y < desc.dwHeight; ++y) {
      const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch;
      std::vector<uint32_t> values(desc.dwWidth);
      for (uint32_t x = 0; x < desc.dwWidth; ++x) values[x] = ReadNative(row, x, desc.ddpfPixelFormat.dwRGBBitCount);
      rows.push_back(std::move(values));
    }
    surface->Unlock(nullptr);
    return rows;
  }

  std::unique_ptr<IDisplayDriver> driver;
  std::unique_ptr<SdlTestWindow> window;
  FakeTimerService clock;
  std::unique_ptr<TDDmain> device;
  int bits = 32;
};

// A 30 x 440 palettised strip of 40 frames of 11 rows: background index 0 in
// a colour that exists exactly at every depth, a bird of two other colours.
Bitmap GullStrip() {
  std::array<TColor, 256> palette{};
  palette[0] = RGBColor(0, 0x80, 0xF8);
  palette[1] = RGBColor(0xF8, 0xF8, 0xF8);
  palette[2] = RGBColor(0x40, 0x40, 0x40);
  Bitmap strip = Bitmap::Indexed(30, 440, palette);
  for (int frame = 0; frame < 40; ++frame) {
    for (int row = 3; row < 8; ++row) {
      for (int col = 4 + frame % 5; col < 26 - frame % 5; ++col) {
        strip.Indices()[(frame * 11 + row) * 30 + col] = row == 5 ? 2 : 1;
      }
    }
  }
  return strip;
}

class SpritesOnTheRealDisplay : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    display = std::make_unique<RealDisplay>(GetParam());
    ASSERT_TRUE(display->Open()) << display->device->GetErrorResult();
    display->FillBack(display->Native(kBackground));
  }
  std::unique_ptr<RealDisplay> display;
};

TEST_P(SpritesOnTheRealDisplay, ScaledStripKeepsItsExactKeyAndKeyedBlitsSkipIt) {
  TDDani gull(nullptr);
  gull.DDmainModule = display->device.get();
  gull.GetBitmap() = GullStrip();
  gull.SetYOffsetFrame(11);
  gull.SetStretching(true);
  gull.SetStretchWidth(15);
  gull.SetStretchHeight(5);
  gull.CreateSurface();
  ASSERT_EQ(gull.GetCountFrame(), 40);
  gull.SetTransparency(true);
  ASSERT_TRUE(gull.GetTransparency()) << gull.GetErrorResult();

  const std::set<uint32_t> allowed = {display->Native(RGBColor(0, 0x80, 0xF8)),
                                      display->Native(RGBColor(0xF8, 0xF8, 0xF8)),
                                      display->Native(RGBColor(0x40, 0x40, 0x40))};
  for (int frame = 0; frame < 40; ++frame) {
    const auto pixels = RealDisplay::Read(gull.GetFpSurface(frame));
    ASSERT_EQ(pixels.size(), 5u);
    ASSERT_EQ(pixels[0].size(), 15u);
    EXPECT_EQ(pixels[0][0], display->Native(RGBColor(0, 0x80, 0xF8))) << "frame " << frame;
    for (const auto& row : pixels) {
      for (uint32_t value : row) ASSERT_TRUE(allowed.count(value)) << "blended value " << std::hex << value;
    }
  }

  gull.SetNumberFrame(9);
  gull.SetShowX(100);
  gull.SetShowY(80);
  gull.DrawAni();
  EXPECT_EQ(gull.GetErrorResult(), "");
  const auto source = RealDisplay::Read(gull.GetFpSurface(9));
  const auto back = RealDisplay::Read(display->Back());
  int copied = 0;
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 15; ++x) {
      const uint32_t expected = source[y][x] == source[0][0] ? display->Native(kBackground) : source[y][x];
      ASSERT_EQ(back[80 + y][100 + x], expected) << x << "," << y;
      copied += source[y][x] != source[0][0];
    }
  }
  EXPECT_GT(copied, 10);
}

// A picture whose every column has its own colour, so a read-back shows
// which source column landed where.
Bitmap Columns(int w, int h) {
  Bitmap b = Bitmap::TrueColour(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b.Pixels()[y * w + x] = 0x800000u | static_cast<uint32_t>(x * 8 + 8) | static_cast<uint32_t>((y * 8 + 8) << 8);
  }
  return b;
}

TEST_P(SpritesOnTheRealDisplay, ClippingAtTheEdgesDrawsUpToTheLastColumnAndRow) {
  const int W = display->W(), H = display->H();
  TDDbmp sprite(nullptr);
  sprite.DDmainModule = display->device.get();
  sprite.GetBitmap() = Columns(20, 10);
  sprite.CreateSurface();
  const auto source = RealDisplay::Read(sprite.GetFpSurface());
  const uint32_t bg = display->Native(kBackground);

  auto drawAt = [&](int x, int y) {
    display->FillBack(bg);
    sprite.SetShowX(x);
    sprite.SetShowY(y);
    sprite.DrawImage();
    EXPECT_EQ(sprite.GetErrorResult(), "");
    return RealDisplay::Read(display->Back());
  };

  // Right edge: at x = W - 2 two columns show; at W - 1 the first one, in
  // the last column; at W nothing.
  auto back = drawAt(W - 2, 5);
  EXPECT_EQ(back[5][W - 2], source[0][0]);
  EXPECT_EQ(back[5][W - 1], source[0][1]);
  back = drawAt(W - 1, 5);
  EXPECT_EQ(back[5][W - 1], source[0][0]);
  EXPECT_EQ(back[5][W - 2], bg);
  back = drawAt(W, 5);
  EXPECT_EQ(back[5][W - 1], bg);

  // Left edge: at -(w - 1) the last source column shows at 0.
  back = drawAt(-18, 5);
  EXPECT_EQ(back[5][0], source[0][18]);
  EXPECT_EQ(back[5][1], source[0][19]);
  EXPECT_EQ(back[5][2], bg);
  back = drawAt(-19, 5);
  EXPECT_EQ(back[5][0], source[0][19]);
  EXPECT_EQ(back[5][1], bg);

  // Bottom and top edges.
  back = drawAt(30, H - 2);
  EXPECT_EQ(back[H - 2][30], source[0][0]);
  EXPECT_EQ(back[H - 1][30], source[1][0]);
  back = drawAt(30, H - 1);
  EXPECT_EQ(back[H - 1][30], source[0][0]);
  back = drawAt(30, -9);
  EXPECT_EQ(back[0][30], source[9][0]);
  EXPECT_EQ(back[1][30], bg);
  back = drawAt(30, -10);
  EXPECT_EQ(back[0][30], bg);
}

TEST_P(SpritesOnTheRealDisplay, ScreenWideSpriteDrawsEveryColumn) {
  const int W = display->W();
  TDDbmp sky(nullptr);
  sky.DDmainModule = display->device.get();
  sky.GetBitmap() = Columns(20, 10);
  sky.SetStretching(true);
  sky.SetStretchWidth(W);
  sky.SetStretchHeight(10);
  sky.CreateSurface();
  sky.SetShowY(3);
  sky.DrawImage();
  const auto back = RealDisplay::Read(display->Back());
  const auto source = RealDisplay::Read(sky.GetFpSurface());
  EXPECT_EQ(back[3][W - 1], source[0][W - 1]);
  EXPECT_EQ(back[3][0], source[0][0]);
}

// Frames kept small and enlarged 3.6 times as drawn, as the sea on a 3840 x
// 2160 screen, from a JPEG's planes as the sea's: filtered, not blocks of one
// source pixel (nearest pixel makes about half the aligned 2 x 2 blocks of a
// noisy picture one colour), and a draw clipped to any part gives the very
// pixels of the whole draw there.
TEST_P(SpritesOnTheRealDisplay, FramesEnlargedManyTimesAreSmoothAndClippedDrawsMatchTheWhole) {
  const int W = display->W(), sw = W * 10 / 36, sh = 40, boxH = sh * 36 / 10, top = 20;
  TDDani sea(nullptr);
  sea.DDmainModule = display->device.get();
  Bitmap& planes = sea.GetBitmap() = Bitmap::Planes(sw, sh);
  const YccPlanes form = planes.Planes();
  const size_t chroma = static_cast<size_t>(form.ChromaWidth()) * form.ChromaHeight();
  uint32_t noise = 1;
  for (int c = 0; c < 3; ++c)
    for (uint8_t& sample : std::span(planes.Plane(c), c == 0 ? static_cast<size_t>(sw) * sh : chroma))
      sample = static_cast<uint8_t>((noise = noise * 1103515245u + 12345u) >> 16);
  sea.SetYOffsetFrame(sh);
  sea.SetStretching(true);
  sea.SetScaleOnDraw(true);
  sea.SetStretchWidth(W);
  sea.SetStretchHeight(boxH);
  sea.CreateSurface();
  sea.SetShowY(top);
  sea.DrawAni();
  ASSERT_EQ(sea.GetErrorResult(), "");
  const auto whole = RealDisplay::Read(display->Back());
  int same = 0, blocks = 0;
  for (int y = top; y + 1 < top + boxH; y += 2) {
    for (int x = 0; x + 1 < W; x += 2, ++blocks) {
      const uint32_t a = whole[y][x];
      same += a == whole[y][x + 1] && a == whole[y + 1][x] && a == whole[y + 1][x + 1];
    }
  }
  if (GetParam() != 16) {
    EXPECT_LT(same * 20, blocks) << same << " of " << blocks << " blocks of one colour";
  }
  const uint32_t bg = display->Native(kBackground);
  for (const Rect& clip : {Rect{0, top, 7, top + 9}, Rect{333, top + 50, 700, top + 51}, Rect{W - 5, top + boxH - 3, W, top + boxH}}) {
    display->FillBack(bg);
    ASSERT_TRUE(display->device->ClipBackSurface(&clip));
    sea.DrawAni();
    display->device->ClipBackSurface(nullptr);
    const auto back = RealDisplay::Read(display->Back());
    for (int y = top; y < top + boxH; ++y)
      for (int x = 0; x < W; ++x) {
        const bool inside = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
        ASSERT_EQ(back[y][x], inside ? whole[y][x] : bg) << x << "," << y;
      }
  }
}

TEST_P(SpritesOnTheRealDisplay, ClockIsDrawnInItsColour) {
  display->FillBack(0);
  TDXClock clock(nullptr, [] { return ClockTime{12, 0, 0}; });
  clock.DDmainModule = display->device.get();
  clock.SetRadius(60);
  clock.SetColor(RGBColor(0xFF, 0x80, 0x40));
  clock.ShowClock();
  const auto back = RealDisplay::Read(display->Back());
  const uint32_t ink = display->Native(RGBColor(0xFF, 0x80, 0x40));
  // Marks, both hands and the second hand's tail; the hour polygon is
  // (200,160),(203,200),(200,201),(197,200).
  for (Point p : {Point{200, 260}, Point{140, 200}, Point{199, 140}, Point{260, 199}, Point{200, 160}, Point{200, 180},
                  Point{201, 199}, Point{200, 145}, Point{200, 209}}) {
    EXPECT_EQ(back[p.y][p.x], ink) << p.x << "," << p.y;
  }
  // Between the marks and outside the hands nothing is drawn.
  for (Point p : {Point{230, 230}, Point{170, 230}, Point{215, 180}, Point{200, 280}}) {
    EXPECT_EQ(back[p.y][p.x], 0u) << p.x << "," << p.y;
  }
  // Smooth edges: the dots and the slanted sides of the hands blend into
  // what is under them, and nothing is drawn outside the clock's box.
  const Rect box = clock.Bounds();
  int blended = 0, outside = 0;
  for (int y = 0; y < static_cast<int>(back.size()); ++y)
    for (int x = 0; x < static_cast<int>(back[y].size()); ++x) {
      const bool in = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
      if (!in) outside += back[y][x] != 0u;
      else blended += back[y][x] != 0u && back[y][x] != ink;
    }
  EXPECT_GT(blended, 60);
  EXPECT_EQ(outside, 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, SpritesOnTheRealDisplay, ::testing::Values(16, 24, 32));

}  // namespace
}  // namespace velmo
