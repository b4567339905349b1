#include "components/ddmain.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "components/screen_scale.h"

namespace velmo {
namespace {

constexpr uint32_t kCooperativeFlags = DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX;

// Where the frame-rate text starts: from the left, and up from the bottom.
constexpr int32_t kFpsLeft = 20;
constexpr int32_t kFpsFromBottom = 30;

// A restore that claims success while the back buffer stays lost would
// otherwise loop for ever; after this many tries the clear gives up.
constexpr int kMaxRestoreAttempts = 3;

struct RestoreText {
  HRESULT code;
  const char* primary;
  const char* back;
};

constexpr RestoreText kRestoreTexts[] = {
    {DDERR_GENERIC, "Error Primary DDERR_GENERIC (MakeRestSurface)",
     "Error FpDDSBack DDERR_GENERIC (MakeRestSurface)"},
    {DDERR_IMPLICITLYCREATED, "Error Primary DDERR_IMPLICITLYCREATED (MakeRestSurface)",
     "Error FpDDSBack DDERR_IMPLICITLYCREATED (MakeRestSurface)"},
    {DDERR_INCOMPATIBLEPRIMARY, "Error Primary DDERR_INCOMPATIBLEPRIMARY (MakeRestSurface)",
     "Error FpDDSBack DDERR_INCOMPATIBLEPRIMARY (MakeRestSurface)"},
    {DDERR_INVALIDOBJECT, "Error Primary DDERR_INVALIDOBJECT (MakeRestSurface)",
     "Error FpDDSBack DDERR_INVALIDOBJECT (MakeRestSurface)"},
    {DDERR_INVALIDPARAMS, "Error Primary DDERR_INVALIDPARAMS (MakeRestSurface)",
     "Error FpDDSBack DDERR_INVALIDPARAMS (MakeRestSurface)"},
    {DDERR_NOEXCLUSIVEMODE, "Error Primary DDERR_NOEXCLUSIVEMODE (MakeRestSurface)",
     "Error FpDDSBack DDERR_NOEXCLUSIVEMODE (MakeRestSurface)"},
    {DDERR_OUTOFMEMORY, "Error Primary DDERR_OUTOFMEMORY (MakeRestSurface)",
     "Error FpDDSBack DDERR_OUTOFMEMORY (MakeRestSurface)"},
    {DDERR_UNSUPPORTED, "Error Primary DDERR_UNSUPPORTED (MakeRestSurface)",
     "Error FpDDSBack DDERR_UNSUPPORTED (MakeRestSurface)"},
    {DDERR_WRONGMODE, "Error Primary DDERR_WRONGMODE (MakeRestSurface)",
     "Error FpDDSBack DDERR_WRONGMODE (MakeRestSurface)"},
};

const RestoreText* RestoreTextOf(HRESULT code) {
  for (const RestoreText& entry : kRestoreTexts) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

template <class T>
void ReleaseAndClear(T*& reference) {
  if (reference) {
    T* held = reference;
    reference = nullptr;
    held->Release();
  }
}

}  // namespace

TDDmain::TDDmain(Component* owner, IDisplayDriver& driver, ITimerService& clock)
    : Component(owner), DDErrorReporting(this), driver_(driver), clock_(clock) {}

TDDmain::~TDDmain() { CloseDirectDraw(); }

TDDmain::FpsCounters& TDDmain::Fps() {
  static FpsCounters counters;
  return counters;
}

void TDDmain::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (value) OpenDirectDraw();
  else CloseDirectDraw();
}

void TDDmain::FailOpening(const char* text) {
  ReportError(text, [this] { CloseDirectDraw(); });
}

void TDDmain::OpenDirectDraw() {
  // The default device: a scene per monitor covers each with a window of its own.
  FLastResult = driver_.DirectDrawCreate(nullptr, &FpDD, nullptr);
  if (FLastResult != DD_OK) {
    FailOpening("Error DirectDrawCreate");
    return;
  }
  FLastResult = FpDD->QueryDirectDraw7(&FpDD7);
  if (FLastResult != DD_OK) {
    FailOpening("Error DirectDrawCreate7");
    return;
  }
  FLastResult = FpDD7->SetCooperativeLevel(ownerWindow_, kCooperativeFlags);
  if (FLastResult != DD_OK) {
    FailOpening("Error SetCooperativeLevel");
    return;
  }
  FLastResult = FpDD7->SetDisplayMode(static_cast<uint32_t>(width_.load()), static_cast<uint32_t>(height_.load()),
                                      static_cast<uint32_t>(colorDepth_.load()), 0, 0);
  if (FLastResult != DD_OK) {
    FailOpening("Error SetDisplayMode");
    return;
  }
  DDSURFACEDESC2 desc{};
  desc.dwSize = 124;
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  desc.dwBackBufferCount = 1;
  FLastResult = FpDD7->CreateSurface(&desc, &FpDDSPrimary, nullptr);
  if (FLastResult != DD_OK) {
    FailOpening("Error CreatePrimarySurface");
    return;
  }
  DDSCAPS2 caps{};
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  FLastResult = FpDDSPrimary->GetAttachedSurface(&caps, &FpDDSBack);
  if (FLastResult != DD_OK) {
    FailOpening("Error CreateBackSurface");
    return;
  }
}

void TDDmain::CloseDirectDraw() {
  fpsDrawn_ = -1;  // the next back surface holds no text
  frameCounted_ = false;
  ReleaseAndClear(FpDDSBack);
  ReleaseAndClear(FpDDSPrimary);
  ReleaseAndClear(FpDD7);
  ReleaseAndClear(FpDD);
}

void TDDmain::ClearBackSurface() {
  if (FpDD == nullptr) {
    ReportError("Error FpDD==NULL");
    return;
  }
  DDBLTFX fx{};
  fx.dwSize = 100;
  fx.dwFillColor = 0;
  for (int attempts = 0;;) {
    const HRESULT lost = FpDDSBack->IsLost();
    if (lost == DD_OK) {
      FpDDSBack->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
      return;
    }
    if (lost != DDERR_SURFACELOST) {
      ReportError("Unrecognized ERROR ClearBackSurface");
      return;
    }
    const Restore restored = RestoreSurfaces();
    if (restored == Restore::Gone) return;
    if (restored == Restore::Failed || ++attempts >= kMaxRestoreAttempts || FpDD == nullptr) {
      ReportError("Cannot RestoreAllSurfaces");
      return;
    }
  }
}

void TDDmain::FlipSurfaces(bool fpsText) {
  if (FpDD == nullptr) {
    ReportError("Error FpDD==NULL");
    return;
  }
  if (showFPS_) {
    if (!ShowFPS(fpsText)) return;
    if (FpDD == nullptr) return;  // its failure closed the device
  }
  HRESULT result;
  do {
    result = FpDDSPrimary->Flip(nullptr, 0);
  } while (result == DDERR_WASSTILLDRAWING);
  // A lost chain is restored and this frame dropped; the next one flips.
  if (result == DDERR_SURFACELOST) RestoreSurfaces();
  // A window that can show nothing never will: better said than a blank
  // screen that only input can end.
  if (result == DDERR_NOFLIPHW) {
    FLastResult = result;
    ReportError("Error FpDDSPrimary->Flip: the window system gives the window nothing to draw into",
                [this] { CloseDirectDraw(); });
  }
}

bool TDDmain::MakeRestSurface() { return RestoreSurfaces() == Restore::Done; }

TDDmain::Restore TDDmain::RestoreSurfaces() {
  if (FpDD == nullptr) {
    return ReportError("Error FpDD==NULL (MakeRestSurface)") ? Restore::Failed : Restore::Gone;
  }
  FLastResult = FpDD7->RestoreAllSurfaces();
  if (FLastResult == DD_OK) return Restore::Done;
  FLastResult = FpDDSPrimary->Restore();
  if (const RestoreText* text = RestoreTextOf(FLastResult)) {
    return ReportError(text->primary) ? Restore::Failed : Restore::Gone;
  }
  FLastResult = FpDDSBack->Restore();
  if (const RestoreText* text = RestoreTextOf(FLastResult)) {
    return ReportError(text->back) ? Restore::Failed : Restore::Gone;
  }
  return Restore::Done;
}

void TDDmain::FuncShowFPS() { ShowFPS(); }

Rect TDDmain::FpsTextBox() const {
  const int32_t h = height_, scale = ScaleOfScreen(width_, height_);
  return Rect{0, std::max(h - (kFpsFromBottom + 10) * scale, 0), (kFpsLeft + 400) * scale, h};
}

void TDDmain::CountShownFrame() {
  if (frameCounted_) return;
  CountFrame();
  frameCounted_ = true;
}

void TDDmain::CountFrame() {
  FpsCounters& fps = Fps();
  if (++fps.FpsFrames == 10) {
    fps.FpsPrevTime = fps.FpsLastTime;
    fps.FpsLastTime = clock_.timeGetTime();
    const uint32_t elapsed = fps.FpsLastTime - fps.FpsPrevTime;  // wraps with the counter
    if (elapsed != 0) fps.FpsValue = static_cast<int32_t>(10.0 / (elapsed * 0.001));
    fps.FpsFrames = 0;
  }
}

bool TDDmain::ShowFPS(bool drawText) {
  if (FpDD == nullptr) return ReportError("Error FpDD==NULL");
  if (!frameCounted_) CountFrame();
  frameCounted_ = false;
  if (!drawText) return true;
  const FpsCounters& fps = Fps();
  char text[40];  // "Frame rate: " + any 32-bit value + " FPS"
  const int length = std::snprintf(text, sizeof text, "Frame rate: %d FPS", fps.FpsValue);
  if (FpDDSBack->IsLost() != DD_OK) return true;  // no text on a lost frame; it still counted
  IDeviceContext* dc = nullptr;
  FLastResult = FpDDSBack->GetDC(&dc);
  if (FLastResult != DD_OK) {
    return ReportError("Error FpDDSBack->GetDC (show FPS)", [this] { CloseDirectDraw(); });
  }
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(RGBColor(255, 255, 255));
  // Larger on large screens, by the same whole-number scale as the gulls.
  const int32_t scale = ScaleOfScreen(width_, height_);
  dc->SetTextHeight(13 * scale);
  dc->TextOut(kFpsLeft * scale, height_ - kFpsFromBottom * scale, text, length);
  FpDDSBack->ReleaseDC(dc);
  fpsDrawn_ = fps.FpsValue;
  return true;
}

}  // namespace velmo
