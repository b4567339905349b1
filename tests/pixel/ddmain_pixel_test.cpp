// The display device over the real SDL layer: open at the desktop's size,
// clear, write the frame-rate text, flip, and look at what was presented.
#include <SDL.h>
#include <gtest/gtest.h>

#include "components/ddmain.h"
#include "pixel/sdl_test_window.h"
#include "platform/fake/fake_timer.h"
#include "platform/sdl/sdl_display.h"

namespace velmo {
namespace {

TEST(DDmainOnSdl, PresentsABlackFrameWithTheWhiteFrameRateText) {
  auto driver = MakeSdlDisplayDriver();
  SdlTestWindow window;
  FakeTimerService clock;
  const DisplayMode desktop = driver->DesktopMode();
  TDDmain::Fps() = {};
  {
    Component root;
    auto* dd = new TDDmain(&root, *driver, clock);
    dd->SetOwnerWindow(&window);
    int errors = 0;
    dd->OnError = [&](Component*) { ++errors; };
    dd->SetWidth(desktop.width);
    dd->SetHeight(desktop.height);
    dd->SetColorDepth(32);
    dd->SetEnabled(true);
    ASSERT_NE(dd->GetFpDDSBack(), nullptr) << dd->GetErrorResult();
    dd->ClearBackSurface();
    dd->SetshowFPS(true);
    dd->FlipSurfaces();
    EXPECT_EQ(errors, 0) << dd->GetErrorResult();

    SDL_Surface* shown = SDL_GetWindowSurface(window.Sdl());
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->w, desktop.width);
    const int h = desktop.height;
    int white = 0, other = 0;
    for (int y = 0; y < shown->h; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(shown->pixels) + y * shown->pitch);
      for (int x = 0; x < shown->w; ++x) {
        uint8_t r, g, b;
        SDL_GetRGB(row[x], shown->format, &r, &g, &b);
        if (r == 255 && g == 255 && b == 255) {
          ++white;
          EXPECT_TRUE(x >= 20 && x < 20 + 200 && y >= h - 30 && y < h - 30 + 20) << x << "," << y;
        } else if (r || g || b) {
          ++other;
        }
      }
    }
    EXPECT_GT(white, 50) << "the text \"Frame rate: 0 FPS\" is there";
    EXPECT_EQ(other, 0) << "text pixels are pure white, everything else black";
    dd->SetEnabled(false);
  }
  EXPECT_EQ(SDL_GetWindowFlags(window.Sdl()) & SDL_WINDOW_FULLSCREEN, 0u);
}

TEST(DDmainOnSdl, ARefusedModeReportsSetDisplayMode) {
  auto driver = MakeSdlDisplayDriver();
  SdlTestWindow window;
  FakeTimerService clock;
  Component root;
  auto* dd = new TDDmain(&root, *driver, clock);
  dd->SetOwnerWindow(&window);
  dd->SetWidth(777);
  dd->SetHeight(555);
  dd->SetColorDepth(32);
  dd->SetEnabled(true);
  EXPECT_EQ(dd->GetErrorResult(), "Error SetDisplayMode");
  EXPECT_EQ(dd->GetFpDD(), nullptr);
}

}  // namespace
}  // namespace velmo
