// The display fake itself: what other tests rely on when they script it.
#include "platform/fake/fake_display.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

struct Chain {
  IDirectDraw* dd = nullptr;
  IDirectDraw7* dd7 = nullptr;
  IDirectDrawSurface7* primary = nullptr;
  IDirectDrawSurface7* back = nullptr;
};

Chain Open(FakeDisplayDriver& driver) {
  Chain c;
  driver.DirectDrawCreate(nullptr, &c.dd, nullptr);
  c.dd->QueryDirectDraw7(&c.dd7);
  c.dd7->SetDisplayMode(800, 600, 16, 0, 0);
  DDSURFACEDESC2 desc{};
  desc.dwSize = 124;
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  desc.dwBackBufferCount = 1;
  c.dd7->CreateSurface(&desc, &c.primary, nullptr);
  DDSCAPS2 caps{};
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  c.primary->GetAttachedSurface(&caps, &c.back);
  return c;
}

TEST(FakeDisplay, ResultsComeFromTheQueueThenTheDefault) {
  FakeDisplayDriver driver;
  Chain c = Open(driver);
  driver.results.Queue("primary.Flip", {DDERR_WASSTILLDRAWING, DDERR_SURFACELOST});
  driver.results.SetDefault("Flip", DDERR_GENERIC);
  EXPECT_EQ(c.primary->Flip(nullptr, 0), DDERR_WASSTILLDRAWING);
  EXPECT_EQ(c.primary->Flip(nullptr, 0), DDERR_SURFACELOST);
  EXPECT_EQ(c.primary->Flip(nullptr, 0), DDERR_GENERIC);
  EXPECT_EQ(c.back->IsLost(), DD_OK);
}

TEST(FakeDisplay, FlagsEveryCallOnAReleasedObject) {
  FakeDisplayDriver driver;
  Chain c = Open(driver);
  c.back->Release();
  c.primary->Release();
  c.dd7->Release();
  c.dd->Release();
  EXPECT_EQ(driver.LiveObjects(), 0);
  EXPECT_EQ(driver.Misuses(), 0);
  c.back->IsLost();
  EXPECT_EQ(driver.Misuses(), 1);
  EXPECT_EQ(driver.log.Calls().back(), "back.IsLost() AFTER RELEASE");
}

}  // namespace
}  // namespace velmo
