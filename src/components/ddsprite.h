#pragma once
// What the two sprite components share: the published interface, the link to
// the display device, making an offscreen surface from a picture, the colour
// match and colour key, and the clipped blit onto the back buffer.
#include <cstdint>
#include <optional>
#include <string>

#include "components/component.h"
#include "components/dd_error.h"
#include "platform/bitmap.h"
#include "platform/colour.h"
#include "platform/display.h"
#include "platform/gdi.h"
#include "platform/result.h"

namespace velmo {

class TDDmain;

// The source rectangle as the sprites keep it: left, right, top, bottom.
struct SrcRect {
  int32_t left = 0;
  int32_t right = 0;
  int32_t top = 0;
  int32_t bottom = 0;
  bool operator==(const SrcRect&) const = default;
};

// Where and what a clipped blit copies.
struct ClippedBlit {
  int32_t dx = 0;
  int32_t dy = 0;
  Rect source;  // left, top, right, bottom
  bool operator==(const ClippedBlit&) const = default;
};

// Cuts the source part of a sprite placed at (x, y) to a W x H screen.
// Empty when nothing of it is on the screen. What is on the screen is drawn,
// up to the last column and row; a sprite that overhangs both edges of an
// axis is cut on both sides.
std::optional<ClippedBlit> ClipToScreen(int32_t x, int32_t y, const SrcRect& src, int32_t W, int32_t H);

// The native pixel value at the start of a locked surface: the bytes of one
// pixel of that bit count (at most four), little-endian.
uint32_t FirstPixelValue(const void* pixels, uint32_t bitCount);

class TDDsprite : public Component, public DDErrorReporting {
 public:
  ~TDDsprite() override = default;

  // Properties common to both sprites; plain setters only store.
  Bitmap& GetBitmap() { return FBitmap; }
  const Bitmap& GetBitmap() const { return FBitmap; }
  // Copies the picture; a null argument is ignored.
  void SetBitmap(const Bitmap* bitmap);

  TDDmain* DDmainModule = nullptr;

  int32_t GetShowX() const { return FShowX; }
  void SetShowX(int32_t value) { FShowX = value; }
  int32_t GetShowY() const { return FShowY; }
  void SetShowY(int32_t value) { FShowY = value; }
  int32_t GetNumberFrame() const { return FNumberFrame; }
  void SetNumberFrame(int32_t value) { FNumberFrame = value; }
  int32_t GetYOffsetFrame() const { return FYOffsetFrame; }
  void SetYOffsetFrame(int32_t value) { FYOffsetFrame = value; }
  bool GetTransparency() const { return FTransparency; }
  bool GetStretching() const { return FStretching; }
  void SetStretching(bool value) { FStretching = value; }
  int32_t GetStretchWidth() const { return FStretchWidth; }
  void SetStretchWidth(int32_t value) { FStretchWidth = value; }
  int32_t GetStretchHeight() const { return FStretchHeight; }
  void SetStretchHeight(int32_t value) { FStretchHeight = value; }
  // With stretching: keep the picture at its own size and scale what is shown
  // at each draw, instead of a surface at the shown size. Set before the
  // surfaces are made.
  bool GetScaleOnDraw() const { return FScaleOnDraw; }
  void SetScaleOnDraw(bool value) { FScaleOnDraw = value; }
  // Frees the decoded picture once the surfaces hold it; making them again
  // needs it set again.
  void DropBitmap() { FBitmap = Bitmap(); }

  // The surface's native value of the pixel at (0, 0), after writing colour
  // there for the read when a colour is given; CLR_INVALID when the surface
  // cannot be locked.
  uint32_t DDColorMatch(IDirectDrawSurface7* surface, TColor colour);

  // Read-only views for callers and tests.
  IDirectDraw7* GetFDD() const { return FDD; }
  IDirectDrawSurface7* GetFDDBACK() const { return FDDBACK; }
  HRESULT GetFResult() const { return FResult; }
  const SrcRect& GetFSrcRect() const { return FSrcRect; }
  uint32_t GetFBltFlags() const { return FBltFlags; }

 protected:
  explicit TDDsprite(Component* owner);

  // How an error report ended. A handler may free the sprite or close the
  // display, so after one has run the caller stops its work; after Freed it
  // must not touch the object at all.
  enum class After { GoOn, HandlerRan, Freed };

  // Stores the text and raises OnError.
  After Report(const char* text);
  // The same, releasing surface (and nulling it) between the two steps.
  After ReportAndRelease(const char* text, IDirectDrawSurface7*& surface);

  // Takes FDD and FDDBACK from the display; false (reported) when it is not there.
  bool Connect();

  enum class DrawMode { Unscaled, Scaled };
  struct SurfaceTexts {
    const char* create;
    const char* getDC;
  };
  // Makes a w x h offscreen surface into slot and draws picture into it
  // through its device context. On failure the slot is left empty and the
  // error reported; the result says how that report ended.
  After MakeSurface(IDirectDrawSurface7*& slot, int32_t w, int32_t h, const Bitmap& picture, DrawMode mode,
                    const SurfaceTexts& texts);

  // Sets the source colour key of surface to its top-left pixel value; on
  // failure reports keyFailText and releases slot. A null surface is skipped.
  After SetKey(IDirectDrawSurface7* surface, TColor colour, IDirectDrawSurface7*& slot, const char* keyFailText);

  // The clipped blit of FSrcRect from source to (ShowX, ShowY); a failed blit
  // reports the blit text and releases slot.
  void ClippedBltFast(IDirectDrawSurface7* source, IDirectDrawSurface7*& slot);

  static void ReleaseSurface(IDirectDrawSurface7*& surface);

  Bitmap FBitmap;
  IDirectDraw7* FDD = nullptr;
  IDirectDrawSurface7* FDDBACK = nullptr;
  HRESULT FResult = DD_OK;
  int32_t FShowX = 0;
  int32_t FShowY = 0;
  SrcRect FSrcRect;
  int32_t FNumberFrame = 0;
  int32_t FYOffsetFrame = 0;
  uint32_t FBltFlags = DDBLTFAST_NOCOLORKEY;
  bool FTransparency = false;
  int32_t FStretchWidth = 0;
  int32_t FStretchHeight = 0;
  bool FStretching = false;
  bool FScaleOnDraw = false;
};

}  // namespace velmo
