#include "components/ddani.h"

#include <gtest/gtest.h>

#include "sprite_fixture.h"

namespace velmo {
namespace {

using testing::ErrorCounter;
using testing::OpenDisplay;
using testing::Picture;

// A strip whose frame i has the top-left colour 0x000000 + i + 1 and the
// rest filled with 0x808080.
Bitmap Strip(int width, int rows, int frameHeight) {
  Bitmap b = Picture(width, rows, 0x808080, 0x808080);
  for (int i = 0; frameHeight > 0 && (i + 1) * frameHeight <= rows; ++i) {
    b.Pixels()[static_cast<size_t>(i) * frameHeight * width] = static_cast<uint32_t>(i + 1);
  }
  return b;
}

class DDaniTest : public ::testing::Test {
 protected:
  DDaniTest() {
    sprite.DDmainModule = display.device.get();
    sprite.OnError = errors.Handler();
  }
  int Made() const { return static_cast<int>(display.driver.log.Containing("CreateSurface(").size()); }
  // Cuts the strip into frames of frameHeight rows and makes their surfaces.
  void Make(Bitmap strip, int frameHeight) {
    sprite.GetBitmap() = std::move(strip);
    sprite.SetYOffsetFrame(frameHeight);
    sprite.CreateSurface();
  }

  OpenDisplay display{800, 600, 32};
  TDDani sprite{nullptr};
  ErrorCounter errors;
};

TEST_F(DDaniTest, SeaStripGivesThirtyTwoFramesAtTheStretchSize) {
  sprite.GetBitmap() = Picture(800, 5312, 0, 0);
  sprite.SetYOffsetFrame(166);
  sprite.SetStretching(true);
  sprite.SetStretchWidth(1024);
  sprite.SetStretchHeight(212);
  sprite.CreateSurface();
  EXPECT_EQ(sprite.GetCountFrame(), 32);
  EXPECT_EQ(Made(), 32);
  for (int i = 0; i < 32; ++i) {
    ASSERT_NE(sprite.GetFpSurface(i), nullptr);
    EXPECT_EQ(display.Offscreen(i + 1)->Width(), 1024);
    EXPECT_EQ(display.Offscreen(i + 1)->Height(), 212);
  }
  EXPECT_EQ(sprite.GetFpSurface(32), nullptr);
  EXPECT_EQ(errors.count, 0);
}

TEST_F(DDaniTest, RowsBelowTheLastWholeFrameAreIgnored) {
  Make(Strip(30, 445, 11), 11);
  EXPECT_EQ(sprite.GetCountFrame(), 40);
  // Every frame is cut from its own rows and drawn one to one.
  EXPECT_EQ(display.driver.log.Count("StretchDraw({0,0,30,11},30x11)"), 40);
  EXPECT_EQ(display.Offscreen(8)->ColourAt(0, 0), RGBColor(0, 0, 8));
  EXPECT_EQ(display.Offscreen(8)->ColourAt(1, 0), RGBColor(0x80, 0x80, 0x80));
}

TEST_F(DDaniTest, TwoHundredFramesAreAllowedAndOneMoreOrNoFrameHeightMakesNothing) {
  TDDani most(nullptr);
  most.DDmainModule = display.device.get();
  most.GetBitmap() = Picture(2, 2000, 0, 0);
  most.SetYOffsetFrame(10);
  most.CreateSurface();
  EXPECT_EQ(most.GetCountFrame(), 200);
  EXPECT_EQ(Made(), 200);
  EXPECT_NE(most.GetFpSurface(199), nullptr);
  most.CloseSurface();
  display.driver.log.Clear();

  Make(Picture(2, 2010, 0, 0), 10);
  EXPECT_EQ(sprite.GetErrorResult(), "TOO match sprites");
  EXPECT_EQ(errors.count, 1);
  EXPECT_EQ(sprite.GetCountFrame(), 0);
  // With no frames the switch does nothing at all.
  sprite.SetTransparency(true);
  EXPECT_FALSE(sprite.GetTransparency());
  EXPECT_EQ(errors.count, 1);
  Make(Picture(2, 20, 0, 0), 0);
  EXPECT_EQ(sprite.GetErrorResult(), "Not defined FYOffsetFrame");
  EXPECT_EQ(errors.count, 2);
  EXPECT_EQ(Made(), 0);
}

TEST(DDani, ConnectionChecksComeFirst) {
  TDDani sprite(nullptr);
  ErrorCounter errors;
  sprite.OnError = errors.Handler();
  sprite.CreateSurface();
  EXPECT_EQ(sprite.GetErrorResult(), "Error connect to DDMAIN");
  EXPECT_EQ(errors.count, 1);
  sprite.SetTransparency(true);  // before any frame: silent
  EXPECT_EQ(errors.count, 1);
  EXPECT_FALSE(sprite.GetTransparency());
  sprite.DrawAni();
  EXPECT_EQ(sprite.GetErrorResult(), "Error FDDBACK==NULL");
}

TEST_F(DDaniTest, EveryFrameGetsTheKeyOfItsOwnCornerAndIsReleasedOnClose) {
  Make(Strip(4, 12, 4), 4);
  sprite.SetTransparency(true);
  EXPECT_TRUE(sprite.GetTransparency());
  EXPECT_EQ(sprite.GetFBltFlags(), DDBLTFAST_SRCCOLORKEY);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(display.Offscreen(i + 1)->ColourKey(), static_cast<uint32_t>(i + 1));
  sprite.CloseSurface();
  EXPECT_EQ(sprite.GetCountFrame(), 3);
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(display.Offscreen(i)->Released());
}

TEST_F(DDaniTest, AFailedFrameWithoutHandlerLetsTheOthersBeMade) {
  sprite.OnError = nullptr;
  sprite.GetBitmap() = Strip(4, 12, 4);
  sprite.SetYOffsetFrame(4);
  display.driver.results.Queue("CreateSurface", {DD_OK, DDERR_OUTOFMEMORY});
  sprite.CreateSurface();
  EXPECT_EQ(sprite.GetErrorResult(), "Error CreateSurfaceANI");
  EXPECT_NE(sprite.GetFpSurface(0), nullptr);
  EXPECT_EQ(sprite.GetFpSurface(1), nullptr);
  EXPECT_NE(sprite.GetFpSurface(2), nullptr);
  // The empty slot is skipped by the key loop.
  sprite.SetTransparency(true);
  EXPECT_EQ(display.driver.log.Containing("SetColorKey").size(), 2u);
}

TEST_F(DDaniTest, DrawAniBlitsTheChosenFrameAndAFailedBlitEmptiesOnlyThatFrame) {
  Make(Strip(30, 110, 11), 11);
  sprite.SetShowX(100);
  sprite.SetShowY(50);
  sprite.SetNumberFrame(5);
  display.driver.log.Clear();
  sprite.DrawAni();
  EXPECT_EQ(display.driver.log.Calls(), std::vector<std::string>{"back.BltFast(100,50,surface6,{0,0,30,11},0)"});

  sprite.SetNumberFrame(7);
  display.driver.results.Queue("BltFast", {DDERR_GENERIC});
  sprite.DrawAni();
  EXPECT_EQ(sprite.GetErrorResult(), "Error FDDBACK->BltFast (BMP)");
  EXPECT_EQ(sprite.GetFpSurface(7), nullptr);
  EXPECT_TRUE(display.Offscreen(8)->Released());

  sprite.DrawAni();  // frame 7 keeps failing
  EXPECT_EQ(errors.count, 2);
  sprite.SetErrorResult("");
  for (int frame : {0, 6, 8, 9}) {
    sprite.SetNumberFrame(frame);
    sprite.DrawAni();
  }
  EXPECT_EQ(errors.count, 2);
  EXPECT_EQ(display.driver.Misuses(), 0);
}

TEST_F(DDaniTest, FrameNumbersOutsideTheSlotsNeverIndexPastThem) {
  Make(Strip(30, 22, 11), 11);
  sprite.SetShowX(10);
  sprite.SetShowY(10);
  for (int frame : {-1, 200, 100000}) {
    sprite.SetNumberFrame(frame);
    sprite.DrawAni();
  }
  EXPECT_EQ(errors.count, 3);
  EXPECT_EQ(sprite.GetErrorResult(), "Error FDDBACK->BltFast (BMP)");
}

// An error handler may free the sprite (the large gull's does): the frame
// loops must stop touching it. ASan turns any later access into a failure.
class DDaniFreedByHandler : public ::testing::Test {
 protected:
  DDaniFreedByHandler() {
    doomed->DDmainModule = display.device.get();
    doomed->GetBitmap() = Strip(4, 40, 4);
    doomed->SetYOffsetFrame(4);
  }
  ~DDaniFreedByHandler() override { delete owner; }
  void FreeOnError() {
    doomed->OnError = [this](Component* sender) {
      ++calls;
      owner->FreeChild(sender);
    };
  }
  OpenDisplay display{800, 600, 32};
  Component* owner = new Component(nullptr);
  TDDani* doomed = new TDDani(owner);
  int calls = 0;
};

TEST_F(DDaniFreedByHandler, DuringCreateSurface) {
  FreeOnError();
  display.driver.results.Queue("CreateSurface", {DD_OK, DD_OK, DDERR_OUTOFMEMORY});
  doomed->CreateSurface();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(display.driver.log.Containing("CreateSurface(").size(), 3u);
  EXPECT_EQ(display.driver.LiveObjects(), 4);  // dd, dd7, primary and back only
  EXPECT_EQ(display.driver.Misuses(), 0);
}

TEST_F(DDaniFreedByHandler, DuringSetTransparency) {
  doomed->CreateSurface();
  FreeOnError();
  display.driver.results.Queue("SetColorKey", {DD_OK, DDERR_GENERIC});
  doomed->SetTransparency(true);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(display.driver.log.Containing("SetColorKey").size(), 2u);
  EXPECT_EQ(display.driver.Misuses(), 0);
}

TEST_F(DDaniFreedByHandler, HandlerClosingTheDisplayStopsTheLoop) {
  doomed->OnError = [this](Component*) {
    ++calls;
    display.device->SetEnabled(false);
  };
  display.driver.results.Queue("CreateSurface", {DDERR_OUTOFMEMORY});
  doomed->CreateSurface();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(display.driver.log.Containing("CreateSurface(").size(), 1u);
  EXPECT_EQ(display.driver.Misuses(), 0);
}

}  // namespace
}  // namespace velmo
