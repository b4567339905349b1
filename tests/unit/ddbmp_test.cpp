#include "components/ddbmp.h"

#include <gtest/gtest.h>

#include <tuple>

#include "sprite_fixture.h"

namespace velmo {
namespace {

using testing::ErrorCounter;
using testing::OpenDisplay;
using testing::Picture;

class DDbmpTest : public ::testing::Test {
 protected:
  DDbmpTest() {
    sprite.DDmainModule = display.device.get();
    sprite.OnError = errors.Handler();
  }
  OpenDisplay display{1024, 768, 32};
  TDDbmp sprite{nullptr};
  ErrorCounter errors;
};

TEST(DDbmp, CreateSurfaceWithoutDisplayModuleMakesNothing) {
  TDDbmp sprite(nullptr);
  ErrorCounter errors;
  sprite.OnError = errors.Handler();
  sprite.CreateSurface();
  EXPECT_EQ(sprite.GetErrorResult(), "Error connect to DDMAIN");
  EXPECT_EQ(errors.count, 1);
  EXPECT_EQ(sprite.GetFpSurface(), nullptr);
}

TEST(DDbmp, CreateSurfaceOnAClosedDisplayReportsNoDirectDraw) {
  FakeTimerService clock;
  FakeDisplayDriver driver;
  TDDmain closed(nullptr, driver, clock);
  TDDbmp sprite(nullptr);
  sprite.DDmainModule = &closed;
  sprite.CreateSurface();
  EXPECT_EQ(sprite.GetErrorResult(), "Error FDD==NULL");
  EXPECT_TRUE(driver.log.Containing("CreateSurface").empty());
}

TEST(DDbmp, SetBitmapCopiesAndIgnoresNull) {
  TDDbmp sprite(nullptr);
  Bitmap picture = Picture(3, 2, 0x102030, 0x405060);
  sprite.SetBitmap(&picture);
  picture.Pixels()[0] = 0;
  EXPECT_EQ(sprite.GetBitmap().PixelColour(0, 0), RGBColor(0x40, 0x50, 0x60));
  sprite.SetBitmap(nullptr);
  EXPECT_EQ(sprite.GetBitmap().Width(), 3);
}

TEST_F(DDbmpTest, UnscaledSurfaceHoldsThePictureConverted) {
  sprite.GetBitmap() = Picture(40, 20, 0x336699, 0xFF0000);
  sprite.CreateSurface();
  ASSERT_NE(sprite.GetFpSurface(), nullptr) << sprite.GetErrorResult();
  FakeSurface* surface = display.Offscreen(1);
  EXPECT_EQ(surface->Width(), 40);
  EXPECT_EQ(surface->ColourAt(0, 0), RGBColor(0xFF, 0, 0));
  EXPECT_EQ(surface->ColourAt(39, 19), RGBColor(0x33, 0x66, 0x99));
  EXPECT_EQ(errors.count, 0);
}

TEST_F(DDbmpTest, StretchedSurfaceHasTheStretchSize) {
  sprite.GetBitmap() = Picture(800, 177, 0x112233, 0x112233);
  sprite.SetStretching(true);
  sprite.SetStretchWidth(1024);
  sprite.SetStretchHeight(302);
  sprite.CreateSurface();
  FakeSurface* surface = display.Offscreen(1);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->Width(), 1024);
  EXPECT_EQ(surface->Height(), 302);
  EXPECT_EQ(surface->ColourAt(1023, 301), RGBColor(0x11, 0x22, 0x33));

  // At (0, 541) on 1024 x 768: clipped to the 227 rows on the screen.
  sprite.SetShowY(541);
  sprite.DrawImage();
  EXPECT_EQ(display.driver.log.Count("back.BltFast(0,541,surface1,{0,0,1024,227},0)"), 1);
}

// A failure at either step reports it once and leaves no surface behind.
TEST_F(DDbmpTest, FailedCreateOrGetDCReportsAndKeepsNoSurface) {
  sprite.GetBitmap() = Picture(4, 4, 0, 0);
  const int live = display.driver.LiveObjects();
  int expectedErrors = 0;
  for (auto [call, result, message] : {std::tuple{"CreateSurface", DDERR_OUTOFMEMORY, "Error CreateSurfaceBMP"},
                                       std::tuple{"GetDC", DDERR_CANTCREATEDC, "Error FpSurface->GetDC (BMP)"}}) {
    SCOPED_TRACE(call);
    display.driver.results.Queue(call, {result});
    sprite.CreateSurface();
    EXPECT_EQ(sprite.GetErrorResult(), message);
    EXPECT_EQ(errors.count, ++expectedErrors);
    EXPECT_EQ(sprite.GetFpSurface(), nullptr);
    EXPECT_EQ(display.driver.LiveObjects(), live);
  }
}

TEST_F(DDbmpTest, MakingTheSurfaceAgainDoesNotLeakTheFirst) {
  sprite.GetBitmap() = Picture(4, 4, 0, 0);
  sprite.CreateSurface();
  sprite.CreateSurface();
  EXPECT_TRUE(display.Offscreen(1)->Released());
  EXPECT_FALSE(display.Offscreen(2)->Released());
  sprite.CloseSurface();
  EXPECT_TRUE(display.Offscreen(2)->Released());
  EXPECT_EQ(sprite.GetFpSurface(), nullptr);
  EXPECT_EQ(display.driver.Misuses(), 0);
}

TEST_F(DDbmpTest, DrawAndSwitchBeforeCreateReportMissingSurface) {
  sprite.DrawImage();
  EXPECT_EQ(sprite.GetErrorResult(), "Error FpSurface==NULL");
  EXPECT_EQ(errors.count, 1);
  sprite.SetTransparency(true);
  EXPECT_FALSE(sprite.GetTransparency());
  EXPECT_EQ(sprite.GetFBltFlags(), 0u);
  EXPECT_EQ(errors.count, 2);
  EXPECT_TRUE(display.driver.log.Calls().empty());
}

TEST_F(DDbmpTest, StillDrawingBlitIsReissued) {
  sprite.GetBitmap() = Picture(10, 10, 0, 0);
  sprite.CreateSurface();
  sprite.SetShowX(5);
  sprite.SetShowY(5);
  display.driver.results.Queue("BltFast", {DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING});
  display.driver.log.Clear();
  sprite.DrawImage();
  EXPECT_EQ(display.driver.log.Containing("BltFast").size(), 4u);
  EXPECT_EQ(errors.count, 0);
}

TEST_F(DDbmpTest, FailedBlitLosesTheSurfaceUntilMadeAgain) {
  sprite.GetBitmap() = Picture(10, 10, 0, 0);
  sprite.CreateSurface();
  sprite.SetShowX(5);
  display.driver.results.Queue("BltFast", {DDERR_SURFACELOST});
  sprite.DrawImage();
  EXPECT_EQ(sprite.GetErrorResult(), "Error FDDBACK->BltFast (BMP)");
  EXPECT_EQ(sprite.GetFpSurface(), nullptr);
  EXPECT_TRUE(display.Offscreen(1)->Released());
  sprite.DrawImage();
  EXPECT_EQ(sprite.GetErrorResult(), "Error FpSurface==NULL");
  EXPECT_EQ(errors.count, 2);
  EXPECT_EQ(display.driver.Misuses(), 0);
}

TEST_F(DDbmpTest, OffScreenPositionsDrawNothingAndReportNothing) {
  sprite.GetBitmap() = Picture(100, 10, 0, 0);
  sprite.CreateSurface();
  display.driver.log.Clear();
  for (int x : {1024, 5000, -100, -100000}) {
    sprite.SetShowX(x);
    sprite.DrawImage();
  }
  EXPECT_TRUE(display.driver.log.Calls().empty()) << display.driver.log.Dump();
  EXPECT_EQ(errors.count, 0);
}

TEST_F(DDbmpTest, KeyIsTheTopLeftPixelAndKeyedBlitsSkipIt) {
  sprite.GetBitmap() = Picture(8, 8, 0x00FF00, 0xFF00FF);
  // A second key-coloured pixel inside the picture.
  sprite.GetBitmap().Pixels()[3 * 8 + 3] = 0xFF00FF;
  sprite.CreateSurface();
  sprite.SetTransparency(true);
  EXPECT_TRUE(sprite.GetTransparency());
  EXPECT_EQ(sprite.GetFBltFlags(), DDBLTFAST_SRCCOLORKEY);
  EXPECT_EQ(display.Offscreen(1)->ColourKey(), 0xFF00FFu);

  FakeSurface* back = display.Back();
  back->SetNativeAt(10, 10, 0x123456);
  back->SetNativeAt(13, 13, 0x123456);
  sprite.SetShowX(10);
  sprite.SetShowY(10);
  sprite.DrawImage();
  EXPECT_EQ(back->NativeAt(10, 10), 0x123456u);
  EXPECT_EQ(back->NativeAt(13, 13), 0x123456u);
  EXPECT_EQ(back->NativeAt(11, 10), 0x00FF00u);

  sprite.SetTransparency(false);
  EXPECT_EQ(sprite.GetFBltFlags(), 0u);
  sprite.DrawImage();
  EXPECT_EQ(back->NativeAt(10, 10), 0xFF00FFu);
}

TEST_F(DDbmpTest, FailedKeyReleasesTheSurfaceButSwitchesOn) {
  sprite.GetBitmap() = Picture(8, 8, 0, 0);
  sprite.CreateSurface();
  display.driver.results.Queue("SetColorKey", {DDERR_GENERIC});
  sprite.SetTransparency(true);
  EXPECT_EQ(sprite.GetErrorResult(), "Error SetColorKey (BMP)");
  EXPECT_EQ(errors.count, 1);
  EXPECT_EQ(sprite.GetFpSurface(), nullptr);
  EXPECT_TRUE(sprite.GetTransparency());
}

TEST_F(DDbmpTest, HandlerFreeingTheSpriteOnAFailedKeyEndsTheSwitch) {
  auto* owner = new Component(nullptr);
  auto* doomed = new TDDbmp(owner);
  doomed->DDmainModule = display.device.get();
  doomed->GetBitmap() = Picture(8, 8, 0, 0);
  doomed->CreateSurface();
  doomed->OnError = [owner](Component* sender) { owner->FreeChild(sender); };
  display.driver.results.Queue("SetColorKey", {DDERR_GENERIC});
  doomed->SetTransparency(true);  // ASan proves nothing touches the freed sprite
  EXPECT_EQ(display.driver.Misuses(), 0);
  delete owner;
}

// Frames of 11 rows of a 30 x 440 strip: drawn scaled to 15 x 220 the last
// frame is 43, unscaled 39; one past it, or a negative one, is refused and
// keeps the surface.
TEST_F(DDbmpTest, DrawAniCutsFramesOfTheStripAndRefusesOnesPastIt) {
  for (auto [stretch, last, lastRect, refused] :
       {std::tuple{true, 43, SrcRect{0, 15, 215, 220}, "Error FNumberFrame (Ani Stretch)"},
        std::tuple{false, 39, SrcRect{0, 30, 429, 440}, "Error FNumberFrame (Ani)"}}) {
    SCOPED_TRACE(stretch ? "scaled" : "unscaled");
    sprite.GetBitmap() = Picture(30, 440, 0, 0);
    sprite.SetStretching(stretch);
    sprite.SetStretchWidth(15);
    sprite.SetStretchHeight(220);
    sprite.SetYOffsetFrame(11);
    sprite.CreateSurface();
    sprite.SetShowX(100);
    sprite.SetShowY(100);
    sprite.SetNumberFrame(3);
    sprite.DrawAni();
    if (stretch) {
      EXPECT_EQ(sprite.GetFSrcRect(), (SrcRect{0, 15, 15, 20}));
    }
    sprite.SetNumberFrame(last);
    sprite.DrawAni();
    EXPECT_EQ(sprite.GetFSrcRect(), lastRect);
    EXPECT_EQ(errors.count, 0);
    display.driver.log.Clear();
    for (int frame : {last + 1, -1}) {
      sprite.SetNumberFrame(frame);
      sprite.DrawAni();
      EXPECT_EQ(sprite.GetErrorResult(), refused) << frame;
    }
    EXPECT_EQ(errors.count, 2);
    EXPECT_TRUE(display.driver.log.Containing("BltFast").empty());
    EXPECT_NE(sprite.GetFpSurface(), nullptr);
    errors.count = 0;
  }
}

// The colour match at each depth: the native value of the top-left pixel,
// with a given colour written there for the read and put back afterwards.
class DDColorMatchTest : public ::testing::TestWithParam<int> {};

TEST_P(DDColorMatchTest, ReadsTheNativeTopLeftValue) {
  const int bits = GetParam();
  OpenDisplay display(800, 600, bits);
  TDDbmp sprite(nullptr);
  sprite.DDmainModule = display.device.get();
  sprite.GetBitmap() = Picture(4, 4, 0x000000, 0xFFFFFF);
  sprite.CreateSurface();
  FakeSurface* surface = display.Offscreen(1);
  const uint32_t white = bits == 16 ? 0xFFFFu : 0xFFFFFFu;
  EXPECT_EQ(sprite.DDColorMatch(surface, CLR_INVALID), white);

  const uint32_t red = bits == 16 ? 0xF800u : 0xFF0000u;
  EXPECT_EQ(sprite.DDColorMatch(surface, RGBColor(255, 0, 0)), red);
  EXPECT_EQ(surface->NativeAt(0, 0), white);

  display.driver.results.Queue("Lock", {DDERR_WASSTILLDRAWING, DDERR_SURFACEBUSY});
  EXPECT_EQ(sprite.DDColorMatch(surface, CLR_INVALID), CLR_INVALID);

  // Only the first pixel is read: at 16 bits, the low half of the first word.
  surface->SetNativeAt(0, 0, 0x1234);
  surface->SetNativeAt(1, 0, 0xABCD);
  EXPECT_EQ(sprite.DDColorMatch(surface, CLR_INVALID), 0x1234u);
}

INSTANTIATE_TEST_SUITE_P(Depths, DDColorMatchTest, ::testing::Values(16, 24, 32));

}  // namespace
}  // namespace velmo
