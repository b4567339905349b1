// TDDmain against the display fake: opening and its failures, closing,
// clearing, flipping, restoring lost surfaces, the frame-rate text and the
// dual-monitor branch.
#include "components/ddmain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_app.h"
#include "platform/fake/fake_display.h"
#include "platform/fake/fake_timer.h"

namespace velmo {
namespace {

using Calls = std::vector<std::string>;

class DDmainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TDDmain::Fps() = {};
    dd = new TDDmain(&root, driver, clock);
    dd->SetOwnerWindow(&form);
    dd->OnError = [this](Component* sender) {
      EXPECT_EQ(sender, dd);
      errors.push_back(dd->GetErrorResult());
      if (onError) onError();
    };
  }

  void Open(int w = 800, int h = 600, int bits = 32) {
    dd->SetWidth(w);
    dd->SetHeight(h);
    dd->SetColorDepth(bits);
    dd->SetEnabled(true);
  }

  bool AllNull() const {
    return !dd->GetFpDD() && !dd->GetFpDD7() && !dd->GetFpDDSPrimary() && !dd->GetFpDDSBack();
  }

  // Calls logged since the mark.
  Calls Since(size_t mark) const {
    const auto& all = driver.log.Calls();
    return Calls(all.begin() + static_cast<long>(mark), all.end());
  }

  // Runs frames with the clock at the given time for the last one, and
  // returns the text the last frame wrote.
  std::string FrameText() {
    const size_t mark = driver.log.Calls().size();
    dd->FlipSurfaces();
    for (const auto& call : Since(mark)) {
      if (call.rfind("TextOut(", 0) == 0) return call;
    }
    return "";
  }

  // The platform outlives the component tree, as in the program.
  FakeDisplayDriver driver;
  FakeTimerService clock;
  FakeWindow form;
  Component root;
  TDDmain* dd = nullptr;
  std::vector<std::string> errors;
  std::function<void()> onError;
};

TEST_F(DDmainTest, ANewDeviceRefusesToDraw) {
  EXPECT_TRUE(AllNull());
  dd->FlipSurfaces();
  dd->ClearBackSurface();
  EXPECT_EQ(errors, (Calls{"Error FpDD==NULL", "Error FpDD==NULL"}));
  EXPECT_TRUE(driver.log.Calls().empty());
}

TEST_F(DDmainTest, OpeningSetsTheModeWithAFlippingPairOfItsSize) {
  Open(1024, 768, 16);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(driver.log.Count("SetDisplayMode(1024,768,16,0,0)"), 1);
  EXPECT_EQ(driver.Back()->Width(), 1024);
  EXPECT_EQ(driver.Back()->Bits(), 16u);
  EXPECT_EQ(dd->GetFpDDSBack(), driver.Back());
  EXPECT_EQ(driver.LastDirectDraw7()->cooperativeWindow, &form);
  EXPECT_EQ(driver.Back()->RefCount(), 1u);
}

struct OpeningFailure {
  const char* method;
  const char* text;
  int callsBeforeClose;  // platform calls up to the failing one
};

class DDmainOpeningFailure : public DDmainTest, public ::testing::WithParamInterface<OpeningFailure> {};

TEST_P(DDmainOpeningFailure, ReportsOnceClosesEverythingAndStaysEnabled) {
  const OpeningFailure& f = GetParam();
  driver.results.Queue(f.method, {DDERR_GENERIC});
  onError = [this] {
    EXPECT_TRUE(AllNull()) << "the device closes before the event";
  };
  Open();
  EXPECT_EQ(errors, Calls{f.text});
  EXPECT_TRUE(dd->GetEnabled());
  EXPECT_TRUE(AllNull());
  EXPECT_EQ(driver.LiveObjects(), 0) << driver.log.Dump();
  EXPECT_EQ(driver.Misuses(), 0);
  EXPECT_EQ(static_cast<int>(driver.log.Calls().size()) - static_cast<int>(driver.log.Containing("Release").size()),
            f.callsBeforeClose)
      << driver.log.Dump();
  dd->ClearBackSurface();
  EXPECT_EQ(errors.back(), "Error FpDD==NULL");
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DDmainOpeningFailure,
    ::testing::Values(OpeningFailure{"DirectDrawCreate", "Error DirectDrawCreate", 1},
                      OpeningFailure{"QueryDirectDraw7", "Error DirectDrawCreate7", 2},
                      OpeningFailure{"SetCooperativeLevel", "Error SetCooperativeLevel", 3},
                      OpeningFailure{"SetDisplayMode", "Error SetDisplayMode", 4},
                      OpeningFailure{"CreateSurface", "Error CreatePrimarySurface", 5},
                      OpeningFailure{"GetAttachedSurface", "Error CreateBackSurface", 6}));

TEST_F(DDmainTest, EnablingTwiceOpensOnceAndDisablingAClosedDeviceDoesNothing) {
  dd->SetEnabled(false);
  EXPECT_TRUE(driver.log.Calls().empty());
  Open();
  dd->SetEnabled(true);
  EXPECT_EQ(driver.log.Count("DirectDrawCreate(null)"), 1);
}

TEST_F(DDmainTest, AFailedDeviceNeedsDisablingBeforeANewAttempt) {
  driver.results.Queue("SetDisplayMode", {DDERR_INVALIDMODE});
  Open();
  dd->SetEnabled(true);
  EXPECT_EQ(driver.log.Count("DirectDrawCreate(null)"), 1);
  dd->SetEnabled(false);
  dd->SetEnabled(true);
  EXPECT_EQ(driver.log.Count("DirectDrawCreate(null)"), 2);
  EXPECT_NE(dd->GetFpDDSBack(), nullptr);
  EXPECT_EQ(errors.size(), 1u);
}

TEST_F(DDmainTest, ClosingReleasesInReverseOrderAndIsSafeToRepeat) {
  Open();
  const size_t mark = driver.log.Calls().size();
  dd->SetEnabled(false);
  EXPECT_EQ(Since(mark), (Calls{"back.Release()", "primary.Release()", "dd7.Release()", "dd.Release()"}));
  EXPECT_TRUE(AllNull());
  dd->CloseDirectDraw();
  dd->CloseDirectDraw();
  EXPECT_EQ(Since(mark).size(), 4u);
  EXPECT_EQ(driver.LiveObjects(), 0);
  EXPECT_FALSE(dd->GetEnabled());
}

// Also when the back buffer was lost and comes back on the first restore.
TEST_F(DDmainTest, ClearFillsTheBackBufferBlack) {
  Open(800, 600, 16);
  for (bool lost : {false, true}) {
    SCOPED_TRACE(lost);
    DDBLTFX fx{};
    fx.dwFillColor = 0xFFFF;
    driver.Back()->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    if (lost) driver.results.Queue("back.IsLost", {DDERR_SURFACELOST});
    dd->ClearBackSurface();
    EXPECT_EQ(driver.Back()->NativeAt(799, 599), 0u);
    EXPECT_EQ(driver.log.Count("RestoreAllSurfaces()"), lost ? 1 : 0);
    EXPECT_TRUE(errors.empty());
  }
}

TEST_F(DDmainTest, ClearReportsTwiceWhenTheRestoreFails) {
  Open();
  driver.results.Queue("back.IsLost", {DDERR_SURFACELOST});
  driver.results.Queue("RestoreAllSurfaces", {DDERR_NOEXCLUSIVEMODE});
  driver.results.Queue("primary.Restore", {DDERR_WRONGMODE});
  dd->ClearBackSurface();
  EXPECT_EQ(errors, (Calls{"Error Primary DDERR_WRONGMODE (MakeRestSurface)", "Cannot RestoreAllSurfaces"}));
  EXPECT_EQ(dd->GetErrorResult(), "Cannot RestoreAllSurfaces");
  EXPECT_NE(dd->GetFpDD(), nullptr) << "nothing here closes the device";
  EXPECT_EQ(driver.log.Count("back.Blt(null,null,null,0x1000400,0)"), 0);
}

TEST_F(DDmainTest, ClearGivesUpWhenRestoredSurfacesStayLost) {
  Open();
  driver.results.SetDefault("back.IsLost", DDERR_SURFACELOST);
  dd->ClearBackSurface();
  EXPECT_EQ(errors, Calls{"Cannot RestoreAllSurfaces"});
  EXPECT_EQ(driver.log.Count("RestoreAllSurfaces()"), 3);
}

TEST_F(DDmainTest, ClearWithAHandlerThatFreesTheDeviceStopsAtOnce) {
  Open();
  driver.results.Queue("back.IsLost", {DDERR_SURFACELOST});
  driver.results.Queue("RestoreAllSurfaces", {DDERR_GENERIC});
  driver.results.Queue("primary.Restore", {DDERR_GENERIC});
  onError = [this] { root.FreeChild(dd); };
  dd->ClearBackSurface();
  EXPECT_EQ(errors, Calls{"Error Primary DDERR_GENERIC (MakeRestSurface)"});
  EXPECT_EQ(driver.LiveObjects(), 0);
  EXPECT_EQ(driver.Misuses(), 0);
}

TEST_F(DDmainTest, FlipIsReissuedWhileStillDrawing) {
  Open();
  driver.results.Queue("primary.Flip", {DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING});
  dd->FlipSurfaces();
  EXPECT_EQ(driver.log.Count("primary.Flip(null,0)"), 4);
  EXPECT_TRUE(errors.empty());
}

TEST_F(DDmainTest, AFlipOnLostSurfacesRestoresAndDropsTheFrame) {
  Open();
  driver.results.Queue("primary.Flip", {DDERR_SURFACELOST});
  const size_t mark = driver.log.Calls().size();
  dd->FlipSurfaces();
  EXPECT_EQ(Since(mark), (Calls{"primary.Flip(null,0)", "RestoreAllSurfaces()"}));
  dd->FlipSurfaces();
  EXPECT_EQ(driver.log.Count("primary.Flip(null,0)"), 2);
}

TEST_F(DDmainTest, AWindowThatCannotShowAnythingIsReportedOtherFlipFailuresAreSilent) {
  Open();
  driver.results.Queue("primary.Flip", {DDERR_GENERIC});
  dd->FlipSurfaces();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(driver.log.Count("RestoreAllSurfaces()"), 0);

  driver.results.Queue("primary.Flip", {DDERR_NOFLIPHW});
  dd->FlipSurfaces();
  EXPECT_EQ(errors, Calls{"Error FpDDSPrimary->Flip: the window system gives the window nothing to draw into"});
  EXPECT_TRUE(AllNull());  // closed before the report
}

TEST_F(DDmainTest, RestoreNamesTheFailingSurfaceAndItsCode) {
  const std::pair<HRESULT, const char*> codes[] = {{DDERR_INVALIDOBJECT, "DDERR_INVALIDOBJECT"},
                                                     {DDERR_WRONGMODE, "DDERR_WRONGMODE"}};
  Open();
  driver.results.SetDefault("RestoreAllSurfaces", DDERR_GENERIC);
  for (const auto& [code, name] : codes) {
    SCOPED_TRACE(name);
    errors.clear();
    driver.results.Queue("primary.Restore", {code});
    const int backRestores = driver.log.Count("back.Restore()");
    EXPECT_FALSE(dd->MakeRestSurface());
    EXPECT_EQ(errors, Calls{std::string("Error Primary ") + name + " (MakeRestSurface)"});
    EXPECT_EQ(driver.log.Count("back.Restore()"), backRestores);

    errors.clear();
    driver.results.Queue("primary.Restore", {DD_OK});
    driver.results.Queue("back.Restore", {code});
    EXPECT_FALSE(dd->MakeRestSurface());
    EXPECT_EQ(errors, Calls{std::string("Error FpDDSBack ") + name + " (MakeRestSurface)"});
  }
}

// Restoring succeeds when all surfaces come back at once (nothing restored
// one by one), and counts codes other than the named ones as success.
TEST_F(DDmainTest, RestoreSucceedsUnlessAFailureIsNamedOrTheDeviceIsClosed) {
  EXPECT_FALSE(dd->MakeRestSurface());
  EXPECT_EQ(errors, Calls{"Error FpDD==NULL (MakeRestSurface)"});
  errors.clear();
  Open();
  EXPECT_TRUE(dd->MakeRestSurface());
  EXPECT_EQ(driver.log.Count("primary.Restore()"), 0);
  driver.results.Queue("RestoreAllSurfaces", {DDERR_GENERIC});
  driver.results.Queue("primary.Restore", {DDERR_SURFACELOST});
  driver.results.Queue("back.Restore", {DDERR_SURFACELOST});
  EXPECT_TRUE(dd->MakeRestSurface());
  EXPECT_TRUE(errors.empty());
}

TEST_F(DDmainTest, FrameRateTextSitsThirtyRowsAboveTheBottom) {
  Open(800, 600);
  dd->SetshowFPS(true);
  EXPECT_EQ(FrameText(), "TextOut(20,570,Frame rate: 0 FPS)");
  dd->SetHeight(480);
  EXPECT_EQ(FrameText(), "TextOut(20,450,Frame rate: 0 FPS)");
}

TEST_F(DDmainTest, FrameRateIsMeasuredOverEveryTenFrames) {
  Open();
  dd->SetshowFPS(true);
  clock.SetTime(0);
  for (int frame = 1; frame <= 9; ++frame) EXPECT_EQ(FrameText(), "TextOut(20,570,Frame rate: 0 FPS)");
  clock.SetTime(166);
  EXPECT_EQ(FrameText(), "TextOut(20,570,Frame rate: 60 FPS)") << "10 / 0.166 = 60.24";
  const std::pair<uint32_t, const char*> spans[] = {
      {1000, "10"}, {2500, "4"}, {3000, "3"}, {0, "3"} /* no time passed: the value stands */};
  for (const auto& [span, shown] : spans) {
    for (int frame = 1; frame <= 9; ++frame) FrameText();
    clock.Advance(span);
    EXPECT_EQ(FrameText(), std::string("TextOut(20,570,Frame rate: ") + shown + " FPS)") << span;
  }
}

TEST_F(DDmainTest, TheFirstSampleMeasuresFromCounterZero) {
  Open();
  dd->SetshowFPS(true);
  clock.SetTime(50000);
  for (int frame = 1; frame <= 19; ++frame) EXPECT_EQ(FrameText(), "TextOut(20,570,Frame rate: 0 FPS)") << frame;
  clock.Advance(500);
  EXPECT_EQ(FrameText(), "TextOut(20,570,Frame rate: 20 FPS)");
}

TEST_F(DDmainTest, ALostBackBufferSkipsTheTextButCountsTheFrame) {
  Open();
  dd->SetshowFPS(true);
  driver.results.Queue("back.IsLost", {DDERR_SURFACELOST});
  dd->FlipSurfaces();
  EXPECT_EQ(driver.log.Count("back.GetDC()"), 0);
  EXPECT_EQ(TDDmain::Fps().FpsFrames, 1);
  EXPECT_EQ(driver.log.Count("primary.Flip(null,0)"), 1);
  EXPECT_TRUE(errors.empty());
}

TEST_F(DDmainTest, WithoutShowFpsTheCountersStandStill) {
  Open();
  for (int i = 0; i < 12; ++i) dd->FlipSurfaces();
  EXPECT_EQ(TDDmain::Fps().FpsFrames, 0);
  EXPECT_EQ(driver.log.Count("back.GetDC()"), 0);
}

// A failed device context for the frame-rate text closes the device before
// the report and skips the flip, whatever the handler then does to the device.
TEST_F(DDmainTest, AFailedDeviceContextClosesTheDeviceAndSkipsTheFlip) {
  for (const char* handler : {"checks", "disables", "frees"}) {
    SCOPED_TRACE(handler);
    Open();
    dd->SetshowFPS(true);
    const int flips = driver.log.Count("primary.Flip(null,0)");
    driver.results.Queue("back.GetDC", {DDERR_CANTCREATEDC});
    onError = [this, handler] {
      EXPECT_TRUE(AllNull());
      if (handler[0] == 'd') dd->SetEnabled(false);
      if (handler[0] == 'f') root.FreeChild(dd), dd = nullptr;
    };
    dd->FlipSurfaces();
    EXPECT_EQ(driver.log.Count("primary.Flip(null,0)"), flips);
    EXPECT_EQ(driver.LiveObjects(), 0);
    EXPECT_EQ(driver.Misuses(), 0) << driver.log.Dump();
    if (handler[0] == 'c') {
      EXPECT_EQ(errors, Calls{"Error FpDDSBack->GetDC (show FPS)"});
    }
    if (dd) dd->SetEnabled(false);
  }
}

TEST_F(DDmainTest, ADestroyedDeviceGivesItsReferencesBack) {
  Open();
  root.FreeChild(dd);
  EXPECT_EQ(driver.LiveObjects(), 0);
}

}  // namespace
}  // namespace velmo
