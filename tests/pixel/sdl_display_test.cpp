// The SDL display layer on SDL's offscreen driver: modes, pixel formats,
// fills, keyed blits, device contexts, presenting, pacing and loss.
#include "platform/sdl/frame_pacer.h"
#include "platform/sdl/sdl_display.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

#include "pixel/sdl_test_window.h"
#include "platform/pixel_format.h"

namespace velmo {
namespace {

class SdlDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    driver = MakeSdlDisplayDriver();
    window = std::make_unique<SdlTestWindow>();
    ASSERT_NE(window->Sdl(), nullptr) << SDL_GetError();
    desktop = driver->DesktopMode();
  }
  void TearDown() override { Close(); }

  // Opens the flip chain in the desktop's size at the given depth.
  void Open(uint32_t bits) {
    ASSERT_EQ(driver->DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    ASSERT_EQ(dd->QueryDirectDraw7(&dd7), DD_OK);
    ASSERT_EQ(dd7->SetCooperativeLevel(window.get(), 0x53), DD_OK);
    ASSERT_EQ(dd7->SetDisplayMode(desktop.width, desktop.height, bits, 0, 0), DD_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = 124;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    ASSERT_EQ(dd7->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
  }

  IDirectDrawSurface7* Offscreen(int w, int h) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = 124;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = w;
    desc.dwHeight = h;
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(dd7->CreateSurface(&desc, &surface, nullptr), DD_OK);
    return surface;
  }

  void Close() {
    for (IUnknownLike** p : std::initializer_list<IUnknownLike**>{
             reinterpret_cast<IUnknownLike**>(&back), reinterpret_cast<IUnknownLike**>(&primary)}) {
      if (*p) (*p)->Release();
      *p = nullptr;
    }
    if (dd7) dd7->Release();
    if (dd) dd->Release();
    dd7 = nullptr;
    dd = nullptr;
  }

  void Fill(IDirectDrawSurface7* surface, uint32_t value, const Rect* area = nullptr) {
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwFillColor = value;
    ASSERT_EQ(surface->Blt(area, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  }

  static uint32_t NativeAt(IDirectDrawSurface7* surface, int x, int y) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = 124;
    EXPECT_EQ(surface->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch;
    const uint32_t value = ReadNative(row, x, desc.ddpfPixelFormat.dwRGBBitCount);
    surface->Unlock(nullptr);
    return value;
  }

  static void SetNativeAt(IDirectDrawSurface7* surface, int x, int y, uint32_t value) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = 124;
    ASSERT_EQ(surface->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    WriteNative(static_cast<uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch, x, value,
                desc.ddpfPixelFormat.dwRGBBitCount);
    surface->Unlock(nullptr);
  }

  // The colour the window shows at (x, y).
  TColor OnScreen(int x, int y) const {
    SDL_Surface* ws = SDL_GetWindowSurface(window->Sdl());
    uint32_t pixel = 0;
    std::memcpy(&pixel, static_cast<uint8_t*>(ws->pixels) + y * ws->pitch + x * ws->format->BytesPerPixel,
                ws->format->BytesPerPixel);
    uint8_t r, g, b;
    SDL_GetRGB(pixel, ws->format, &r, &g, &b);
    return RGBColor(r, g, b);
  }

  std::unique_ptr<IDisplayDriver> driver;
  std::unique_ptr<SdlTestWindow> window;
  DisplayMode desktop;
  IDirectDraw* dd = nullptr;
  IDirectDraw7* dd7 = nullptr;
  IDirectDrawSurface7* primary = nullptr;
  IDirectDrawSurface7* back = nullptr;
};

TEST_F(SdlDisplay, SurfacesUseTheModesPixelFormats) {
  for (uint32_t bits : {16u, 24u, 32u}) {
    SCOPED_TRACE(bits);
    Open(bits);
    DDSURFACEDESC2 desc{};
    desc.dwSize = 124;
    ASSERT_EQ(back->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, bits);
    EXPECT_EQ(desc.dwWidth, static_cast<uint32_t>(desktop.width));
    EXPECT_GE(desc.lPitch, desktop.width * BytesPerPixel(bits));
    EXPECT_NE(desc.lpSurface, nullptr);
    EXPECT_EQ(back->Unlock(nullptr), DD_OK);
    EXPECT_EQ(back->Unlock(nullptr), DDERR_NOTLOCKED);

    IDirectDrawSurface7* sprite = Offscreen(40, 30);
    ASSERT_NE(sprite, nullptr);
    const uint32_t orange = NativeFromRgb(255, 128, 64, bits);
    Fill(sprite, orange);
    EXPECT_EQ(NativeAt(sprite, 39, 29), orange);
    sprite->Release();
    Close();
  }
}

TEST_F(SdlDisplay, RefusesAModeTheMonitorDoesNotOffer) {
  ASSERT_EQ(driver->DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
  ASSERT_EQ(dd->QueryDirectDraw7(&dd7), DD_OK);
  EXPECT_EQ(dd7->SetDisplayMode(desktop.width, desktop.height, 32, 0, 0), DDERR_NOEXCLUSIVEMODE);
  ASSERT_EQ(dd7->SetCooperativeLevel(window.get(), 0x53), DD_OK);
  EXPECT_EQ(dd7->SetDisplayMode(777, 555, 32, 0, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(dd7->SetDisplayMode(desktop.width, desktop.height, 8, 0, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(dd7->SetDisplayMode(desktop.width, desktop.height, 32, 0, 0), DD_OK);
}

TEST_F(SdlDisplay, ListsEveryResolutionAtThreeDepthsAndOpensOnlyTheDefaultDevice) {
  ASSERT_EQ(driver->DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
  std::vector<DisplayMode> modes;
  dd->EnumDisplayModes(0, nullptr, &modes, [](DDSURFACEDESC2* d, void* c) -> uint32_t {
    static_cast<std::vector<DisplayMode>*>(c)->push_back(
        {static_cast<int>(d->dwWidth), static_cast<int>(d->dwHeight), static_cast<int>(d->ddpfPixelFormat.dwRGBBitCount)});
    return DDENUMRET_OK;
  });
  for (int bits : {16, 24, 32}) {
    EXPECT_NE(std::find(modes.begin(), modes.end(), DisplayMode{desktop.width, desktop.height, bits}), modes.end());
  }
  EXPECT_EQ(modes.size() % 3, 0u);

  // The default device only: each monitor's window is covered by its own scene.
  IDirectDraw* onDisplay = nullptr;
  DeviceGuid bogus;
  bogus.bytes[0] = 1;
  EXPECT_EQ(driver->DirectDrawCreate(&bogus, &onDisplay, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(SdlDisplay, KeyedFastBlitSkipsTheKeyAndSeesLaterChanges) {
  // A small sprite goes through SDL's keyed blit; a large one at 32 bits is
  // kept as its runs of pixels other than the key.
  for (const auto& [bits, width] : {std::pair{16u, 8}, std::pair{32u, 1024}}) {
    SCOPED_TRACE(bits);
    Open(bits);
    IDirectDrawSurface7* sprite = Offscreen(width, 256);
    const uint32_t key = NativeFromRgb(255, 0, 255, bits);
    const uint32_t red = NativeFromRgb(255, 0, 0, bits);
    const uint32_t blue = NativeFromRgb(0, 0, 255, bits);
    Fill(sprite, key);
    const Rect middle{2, 2, 6, 6};
    Fill(sprite, red, &middle);
    const Rect solid{0, 10, width, 12}, hole{3, 11, 5, 12};
    Fill(sprite, red, &solid);
    Fill(sprite, key, &hole);
    Fill(back, blue);
    DDCOLORKEY ck{key, key};
    ASSERT_EQ(sprite->SetColorKey(DDCKEY_SRCBLT, &ck), DD_OK);
    // Where each row holds the key's pixels, which a keyed blit leaves out.
    int32_t first = -1, last = -1;
    EXPECT_TRUE(sprite->KeyedSpan(3, first, last));
    EXPECT_EQ(std::pair(first, last), std::pair(0, width));
    EXPECT_FALSE(sprite->KeyedSpan(10, first, last));
    EXPECT_TRUE(sprite->KeyedSpan(11, first, last));
    EXPECT_EQ(std::pair(first, last), std::pair(3, 5));

    const Rect all{0, 0, 8, 8};
    ASSERT_EQ(back->BltFast(10, 10, sprite, &all, DDBLTFAST_SRCCOLORKEY), DD_OK);
    EXPECT_EQ(NativeAt(back, 10, 10), blue);
    EXPECT_EQ(NativeAt(back, 13, 13), red);
    EXPECT_EQ(NativeAt(back, 15, 15), red);
    EXPECT_EQ(NativeAt(back, 16, 15), blue);

    // From inside a run, and cut by the back buffer's clip rectangle.
    const Rect inside{3, 3, 8, 8};
    const Rect clip{0, 0, 42, 100};
    ASSERT_EQ(back->SetClipRect(&clip), DD_OK);
    ASSERT_EQ(back->BltFast(40, 40, sprite, &inside, DDBLTFAST_SRCCOLORKEY), DD_OK);
    ASSERT_EQ(back->SetClipRect(nullptr), DD_OK);
    EXPECT_EQ(NativeAt(back, 40, 40), red);
    EXPECT_EQ(NativeAt(back, 41, 42), red);
    EXPECT_EQ(NativeAt(back, 42, 42), blue);
    EXPECT_EQ(NativeAt(back, 40, 43), blue);

    // Pixels changed after the key was set take part in the next keyed blit.
    SetNativeAt(sprite, 0, 0, red);
    ASSERT_EQ(back->BltFast(10, 10, sprite, &all, DDBLTFAST_SRCCOLORKEY), DD_OK);
    EXPECT_EQ(NativeAt(back, 10, 10), red);
    EXPECT_EQ(NativeAt(back, 11, 10), blue);

    ASSERT_EQ(back->BltFast(30, 30, sprite, &all, DDBLTFAST_NOCOLORKEY), DD_OK);
    EXPECT_EQ(NativeAt(back, 31, 30), key);
    sprite->Release();
  }
}

TEST_F(SdlDisplay, FastBlitRefusesRectanglesOutsideEitherSurface) {
  Open(32);
  IDirectDrawSurface7* sprite = Offscreen(8, 8);
  const Rect all{0, 0, 8, 8};
  const Rect tooWide{0, 0, 9, 8};
  const Rect empty{3, 0, 3, 8};
  EXPECT_EQ(back->BltFast(-1, 0, sprite, &all, 0), DDERR_INVALIDRECT);
  EXPECT_EQ(back->BltFast(desktop.width - 7, 0, sprite, &all, 0), DDERR_INVALIDRECT);
  EXPECT_EQ(back->BltFast(0, 0, sprite, &tooWide, 0), DDERR_INVALIDRECT);
  EXPECT_EQ(back->BltFast(0, 0, sprite, &empty, 0), DDERR_INVALIDRECT);
  EXPECT_EQ(back->BltFast(desktop.width - 8, desktop.height - 8, sprite, &all, 0), DD_OK);
  sprite->Release();
}

TEST_F(SdlDisplay, DeviceContextFollowsGdiPixelRules) {
  for (uint32_t bits : {16u, 32u}) {
    SCOPED_TRACE(bits);
    Open(bits);
    IDirectDrawSurface7* s = Offscreen(64, 64);
    Fill(s, 0);
    IDeviceContext* dc = nullptr;
    ASSERT_EQ(s->GetDC(&dc), DD_OK);
    IDeviceContext* second = nullptr;
    EXPECT_EQ(s->GetDC(&second), DDERR_SURFACEBUSY);
    const TColor white = RGBColor(255, 255, 255);
    HGDIOBJ pen = dc->CreatePen(PS_SOLID, 1, white);
    HGDIOBJ brush = dc->CreateSolidBrush(white);
    HGDIOBJ oldPen = dc->SelectObject(pen);
    HGDIOBJ oldBrush = dc->SelectObject(brush);
    // Boxes exclude their right and bottom edges.
    dc->Rectangle(10, 10, 20, 14);
    dc->Ellipse(30, 30, 40, 40);
    // Lines exclude their last point.
    dc->MoveToEx(0, 50, nullptr);
    dc->LineTo(10, 50);
    // Lines from far off are clipped before they are stepped: they cost no
    // more than the pixels they cross, and those are where Bresenham has them.
    dc->MoveToEx(INT32_MIN, 56, nullptr);
    dc->LineTo(INT32_MAX, 56);
    dc->MoveToEx(-1000000000 + 45, -1000000000, nullptr);
    dc->LineTo(1000000000 + 45, 1000000000);
    dc->MoveToEx(-7, 58, nullptr);
    dc->LineTo(71, 61);
    dc->SelectObject(oldPen);
    dc->SelectObject(oldBrush);
    EXPECT_TRUE(dc->DeleteObject(pen));
    EXPECT_TRUE(dc->DeleteObject(brush));
    EXPECT_EQ(dc->SetPixel(60, 60, RGBColor(255, 0, 255)), RGBColor(255, 0, 255));
    EXPECT_EQ(dc->GetPixel(60, 60), RGBColor(255, 0, 255));
    ASSERT_EQ(s->ReleaseDC(dc), DD_OK);

    const uint32_t w = NativeFromColour(white, bits);
    EXPECT_EQ(NativeAt(s, 10, 10), w);
    EXPECT_EQ(NativeAt(s, 19, 13), w);
    EXPECT_EQ(NativeAt(s, 20, 13), 0u);
    EXPECT_EQ(NativeAt(s, 19, 14), 0u);
    EXPECT_EQ(NativeAt(s, 35, 35), w);
    EXPECT_EQ(NativeAt(s, 30, 35), w);
    EXPECT_EQ(NativeAt(s, 40, 35), 0u);
    EXPECT_EQ(NativeAt(s, 35, 40), 0u);
    EXPECT_EQ(NativeAt(s, 30, 30), 0u);  // a corner of the box lies outside the ellipse
    EXPECT_EQ(NativeAt(s, 9, 50), w);
    EXPECT_EQ(NativeAt(s, 10, 50), 0u);
    for (int x = 0; x < 64; ++x) EXPECT_EQ(NativeAt(s, x, 56), w) << x;
    EXPECT_EQ(NativeAt(s, 45, 0), w);
    EXPECT_EQ(NativeAt(s, 63, 18), w);
    EXPECT_EQ(NativeAt(s, 44, 0), 0u);
    // (-7, 58) to (71, 61): y = 58 + round(3 (x + 7) / 78), halves up.
    for (int x = 0; x < 64; ++x) EXPECT_EQ(NativeAt(s, x, 58 + (6 * (x + 7) + 78) / 156), w) << x;
    EXPECT_EQ(NativeAt(s, 5, 59), 0u);
    s->Release();
    Close();
  }
}

TEST_F(SdlDisplay, StretchedBitmapsTakeOneSourcePixelPerTargetPixel) {
  Open(24);
  std::array<TColor, 256> palette{};
  palette[0] = RGBColor(255, 0, 255);
  palette[1] = RGBColor(10, 200, 30);
  Bitmap picture = Bitmap::Indexed(3, 2, palette);
  picture.Indices()[4] = 1;  // (1, 1)
  IDirectDrawSurface7* s = Offscreen(7, 5);
  IDeviceContext* dc = nullptr;
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  dc->StretchDraw({0, 0, 7, 5}, picture);
  ASSERT_EQ(s->ReleaseDC(dc), DD_OK);
  const uint32_t key = NativeFromColour(palette[0], 24), green = NativeFromColour(palette[1], 24);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      const int sx = x * 3 / 7, sy = y * 2 / 5;
      EXPECT_EQ(NativeAt(s, x, y), sx == 1 && sy == 1 ? green : key) << x << "," << y;
    }
  }
  s->Release();
}

TEST_F(SdlDisplay, TextIsWhiteOnBlackWithNothingElseTouched) {
  Open(32);
  Fill(back, 0);
  IDeviceContext* dc = nullptr;
  ASSERT_EQ(back->GetDC(&dc), DD_OK);
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(RGBColor(255, 255, 255));
  const char text[] = "Frame rate: 60 FPS";
  EXPECT_TRUE(dc->TextOut(20, 100, text, sizeof text - 1));
  ASSERT_EQ(back->ReleaseDC(dc), DD_OK);
  int white = 0, other = 0;
  for (int y = 90; y < 130; ++y) {
    for (int x = 0; x < 200; ++x) {
      const uint32_t p = NativeAt(back, x, y);
      if (p == 0xFFFFFF) {
        ++white;
        EXPECT_GE(x, 20);
        EXPECT_GE(y, 100);
        EXPECT_LT(y, 100 + 20);
      } else if (p != 0) {
        ++other;
      }
    }
  }
  EXPECT_GT(white, 50);
  EXPECT_EQ(other, 0);
}

TEST_F(SdlDisplay, FlipPresentsTheBackBufferAndOnlyWhatDrawingChanged) {
  // 16 bits: a back buffer of its own, converted into the window's image, so
  // that what is sent shows apart from what is drawn.
  Open(16);
  const uint32_t magenta = NativeFromRgb(255, 0, 255, 16);  // both channels exact at 16 bits
  Fill(back, magenta);
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  EXPECT_EQ(OnScreen(5, 5), RGBColor(255, 0, 255));
  EXPECT_EQ(OnScreen(desktop.width - 1, desktop.height - 1), RGBColor(255, 0, 255));

  // Scribble on the window: an unchanged frame must leave it alone.
  SDL_Surface* ws = SDL_GetWindowSurface(window->Sdl());
  SDL_Rect mark{0, 0, 4, 4};
  SDL_FillRect(ws, &mark, SDL_MapRGB(ws->format, 255, 0, 0));
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  EXPECT_EQ(OnScreen(1, 1), RGBColor(255, 0, 0));

  // Drawing clipped to a small box sends that box only, and the back buffer
  // keeps the rest of the frame.
  const Rect box{100, 2, 140, 20};
  ASSERT_EQ(back->SetClipRect(&box), DD_OK);
  Fill(back, NativeFromRgb(0, 0, 255, 16));
  ASSERT_EQ(back->SetClipRect(nullptr), DD_OK);
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  EXPECT_EQ(OnScreen(100, 2), RGBColor(0, 0, 255));
  EXPECT_EQ(OnScreen(139, 19), RGBColor(0, 0, 255));
  EXPECT_EQ(OnScreen(140, 19), RGBColor(255, 0, 255));
  EXPECT_EQ(OnScreen(1, 1), RGBColor(255, 0, 0));
  EXPECT_EQ(PresentedFrame(primary)->w, desktop.width);
  EXPECT_EQ(NativeAt(back, 5, 5), magenta);

  // Once the window system says it lost the picture, the whole frame goes again.
  window->Post(SDL_WINDOWEVENT_EXPOSED);
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  EXPECT_EQ(OnScreen(1, 1), RGBColor(255, 0, 255));
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

TEST_F(SdlDisplay, ATurnWaitsOneRefreshHoweverManyWindowsFlipped) {
  // However many windows flip in a turn of the loop (a scene per monitor),
  // the next turn waits for one refresh, on a steady grid; a turn that
  // presented nothing waits for none. Only the order of times is checked, so
  // a slow or loaded machine cannot fail it.
  Open(32);
  using Clock = std::chrono::steady_clock;
  NextFrameTime();  // the turns of earlier tests end here
  EXPECT_EQ(NextFrameTime(), Clock::time_point{});
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  const Clock::time_point before = Clock::now();
  const Clock::time_point first = NextFrameTime();
  EXPECT_GT(first, before);
  EXPECT_EQ(NextFrameTime(), Clock::time_point{}) << "two flips in one turn waited twice";
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  const Clock::time_point second = NextFrameTime();
  EXPECT_GT(second, first);
  // One refresh of the offscreen driver's 60 Hz on, or (late) a whole number of them.
  const Clock::duration period = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / 60;
  EXPECT_EQ((second - first) % period, Clock::duration::zero());
}

TEST_F(SdlDisplay, WindowEventsNeverLoseTheSurfaces) {
  // Pixels live in memory; a saver that loses its window ends by its window's
  // event, never by an error from a surface in the middle of a frame.
  Open(32);
  IDirectDrawSurface7* sprite = Offscreen(4, 4);
  for (uint8_t what : {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_HIDDEN, SDL_WINDOWEVENT_FOCUS_LOST}) {
    window->Post(what);
    EXPECT_EQ(back->IsLost(), DD_OK);
    EXPECT_EQ(sprite->IsLost(), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(dd7->RestoreAllSurfaces(), DD_OK);
  }
  sprite->Release();
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

TEST_F(SdlDisplay, ClosingGivesTheDesktopBack) {
  Open(32);
  EXPECT_NE(SDL_GetWindowFlags(window->Sdl()) & SDL_WINDOW_FULLSCREEN, 0u);
  IDirectDrawSurface7* sprite = Offscreen(4, 4);
  Close();
  EXPECT_EQ(SDL_GetWindowFlags(window->Sdl()) & SDL_WINDOW_FULLSCREEN, 0u);
  // A surface that outlives its display object refuses work instead of crashing.
  EXPECT_EQ(sprite->IsLost(), DDERR_INVALIDOBJECT);
  sprite->Release();
}

TEST_F(SdlDisplay, GammaRampDimsThePresentedPictureAndTheFrameIsKeptOnceWithoutOne) {
  Open(32);
  // Without a ramp the back buffer is the window's own image: one frame, not two.
  const auto inWindowImage = [&] { return PresentedFrame(primary)->pixels == SDL_GetWindowSurface(window->Sdl())->pixels; };
  Fill(back, 0x00FF00);
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  EXPECT_TRUE(inWindowImage());
  // The window changes size: the frame moves into memory of its own, whole.
  window->Post(SDL_WINDOWEVENT_SIZE_CHANGED);
  EXPECT_FALSE(inWindowImage());
  EXPECT_EQ(NativeAt(back, 7, 7), 0x00FF00u);
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  EXPECT_TRUE(inWindowImage());
  EXPECT_EQ(OnScreen(7, 7), RGBColor(0, 255, 0));
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  DDCAPS caps{};
  caps.dwSize = 380;
  ASSERT_EQ(dd->GetCaps(&caps, nullptr), DD_OK);
  ASSERT_NE(caps.dwCaps2 & DDCAPS2_PRIMARYGAMMA, 0u);
  IDirectDrawGammaControl* gamma = nullptr;
  IDirectDrawGammaControl* none = nullptr;
  EXPECT_EQ(back->QueryGammaControl(&none), E_NOINTERFACE);
  ASSERT_EQ(primary->QueryGammaControl(&gamma), DD_OK);
  DDGAMMARAMP ramp;
  for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<uint16_t>(i * 128);
  ASSERT_EQ(gamma->SetGammaRamp(0, &ramp), DD_OK);
  DDGAMMARAMP read;
  ASSERT_EQ(gamma->GetGammaRamp(0, &read), DD_OK);
  EXPECT_EQ(read.red[255], 255 * 128);
  Fill(back, 0xFFFFFF);
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  // The presenter applies it to what is shown, whatever the window system does with ramps.
  EXPECT_EQ(OnScreen(3, 3), RGBColor(127, 127, 127));
  EXPECT_FALSE(inWindowImage());
  // A part drawn later is dimmed once; the frame itself stays undimmed.
  const Rect part{0, 0, 2, 2};
  Fill(back, 0xFFFFFF, &part);
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  EXPECT_EQ(OnScreen(1, 1), RGBColor(127, 127, 127));
  EXPECT_EQ(NativeAt(back, 3, 3), 0xFFFFFFu);
  // Back to the identity: the whole picture is sent again, undimmed, and
  // drawn in the window's image again.
  for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<uint16_t>(i * 256);
  ASSERT_EQ(gamma->SetGammaRamp(0, &ramp), DD_OK);
  ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
  EXPECT_EQ(OnScreen(3, 3), RGBColor(255, 255, 255));
  EXPECT_TRUE(inWindowImage());
  gamma->Release();
}

}  // namespace
}  // namespace velmo
