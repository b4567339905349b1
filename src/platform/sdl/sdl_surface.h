#pragma once
// A surface of the SDL display service.
#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "platform/display.h"
#include "platform/sdl/kept_runs.h"
#include "platform/sdl/picture_cache.h"
#include "platform/sdl/pixel_memory.h"
#include "platform/sdl/sdl_device_context.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/ycc_planes.h"

namespace velmo {

class ISurfaceHost;

// A surface in system memory. Pixels live in one buffer of its own, or, for
// a back buffer, in the window's own image (Borrow): drawn straight into
// what the window system is sent, so the frame is kept once, not twice. SDL
// sees them through a plain header and, once a colour key is set, through a
// second keyed header that SDL may run-length encode. A large keyed surface
// keeps only its runs of pixels other than the key instead (KeepRuns), and
// a picture only stretched keeps 3 bytes a pixel or, drawn from a JPEG's
// planes, those planes (KeepForStretching).
class SdlSurface final : public IDirectDrawSurface7 {
 public:
  // Null when the memory cannot be had.
  static SdlSurface* Create(ISurfaceHost* owner, int width, int height, uint32_t bits, uint32_t caps);
  ~SdlSurface() override;

  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override;
  HRESULT IsLost() override;
  HRESULT Restore() override;
  HRESULT Flip(IDirectDrawSurface7* target, uint32_t flags) override;
  HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** attached) override;
  HRESULT Blt(const Rect* dest, IDirectDrawSurface7* source, const Rect* sourceRect, uint32_t flags,
              DDBLTFX* fx) override;
  HRESULT BltStretched(int32_t x, int32_t y, int32_t boxW, int32_t boxH, IDirectDrawSurface7* source,
                       const Rect& part, uint32_t flags) override;
  HRESULT BltFast(int32_t x, int32_t y, IDirectDrawSurface7* source, const Rect* sourceRect,
                  uint32_t flags) override;
  HRESULT GetDC(IDeviceContext** dc) override;
  HRESULT ReleaseDC(IDeviceContext* dc) override;
  HRESULT Lock(const Rect* rect, DDSURFACEDESC2* desc, uint32_t flags, void* event) override;
  HRESULT Unlock(const Rect* rect) override;
  HRESULT SetColorKey(uint32_t flags, DDCOLORKEY* key) override;
  HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) override;
  HRESULT QueryGammaControl(IDirectDrawGammaControl** control) override;
  HRESULT SetClipRect(const Rect* rect) override;
  // The planes of drawn where the pixels are exactly its colours, else 3
  // bytes a pixel; at 24 and 32 bits, unkeyed surfaces only. Unpack makes
  // the 4-byte pixels again for any other use.
  void KeepForStretching(const Bitmap& drawn) override;
  bool KeyedSpan(int32_t y, int32_t& first, int32_t& last) override;

  void Attach(SdlSurface* back) { attached_ = back; }
  // What drawing changed since the last flip presented this surface.
  const ChangedArea& Changes() const { return changes_; }
  void ForgetChanges() { changes_.Clear(); }
  // The frame a flip of this primary shows: its back buffer keeps it whole.
  SDL_Surface* Shown() const { return attached_ ? attached_->plain_ : plain_; }
  void Orphan() { owner_ = nullptr; }
  SDL_Surface* Plain() const { return plain_; }
  // Points the surface's pixels at image's (a window's own image of the same
  // size, format and row length), giving up its own memory; the caller sees
  // that image holds what the surface showed. OwnPixels gives it memory of
  // its own again (one frame, allocated here), with a copy of what it shows
  // when keep, before the image goes away or while the image must differ
  // (a brightness ramp). Neither while a device context or lock is out;
  // false when refused or the memory cannot be had. Main thread.
  bool Borrow(SDL_Surface* image);
  bool OwnPixels(bool keep);
  bool Borrowed() const { return !memory_ && !packed_ && !runs_ && !planes_; }

 private:
  SdlSurface(ISurfaceHost* owner, int width, int height, uint32_t bits, uint32_t caps);
  // Common refusals of the drawing calls; DD_OK when the surface may be used.
  HRESULT Usable() const;
  void Touch() { keyDirty_ = true; }
  SDL_Surface* BlitSource(bool keyed);
  // Counts r, cut to the clip rectangle, as changed.
  void MarkChanged(const SDL_Rect& r);
  // The headers over other pixels of the same layout.
  bool Repoint(uint8_t* pixels);
  // BltStretched's filtered enlargement of from (unkeyed, 4 bytes a pixel)
  // into drawn, whose top-left pixel is box column firstX, row firstY.
  // Unpacked rows of from are read at rows, pitch bytes apart.
  void StretchLinear(const SDL_Rect& drawn, int64_t firstX, int64_t firstY, int64_t boxW, int64_t boxH,
                     const SdlSurface& from, const uint8_t* rows, size_t pitch);
  // The 4-byte rows a stretch reads: the pixels, or the planes' colours,
  // converted into rows shared by the surfaces of this size when the
  // picture they hold is another one. Allocates nothing; main thread.
  const uint8_t* StretchRows(size_t* pitch);
  // KeepForStretching's planes, where drawn's colours are exactly the pixels.
  bool KeepPlanes(const Bitmap& drawn, uint32_t high);
  // The pixels of a packed or run-kept surface, made again; false without memory.
  bool Unpack();
  // A large keyed surface keeps only its runs of pixels other than the key
  // (KeptRuns): SDL's run-length copy beside the whole pixels held it twice.
  // One pass over the pixels; allocates; main thread.
  void KeepRuns();
  // A keyed fast blit from the runs, cut to this surface's clip rectangle;
  // the rectangle drawn, empty when nothing was. Allocates nothing.
  SDL_Rect BltRuns(const SdlSurface& from, int32_t x, int32_t y, const SDL_Rect& source);

  uint32_t refs_ = 1;
  ISurfaceHost* owner_;
  int width_, height_;
  uint32_t bits_, caps_;
  int pitch_;
  PixelMemory memory_;  // null while the pixels are borrowed
  uint8_t* pixels_ = nullptr;                     // null while packed
  // KeepForStretching's 3 bytes a pixel, shared by every surface of the
  // process that holds the same picture (the scenes of several monitors).
  std::shared_ptr<const uint8_t> packed_;
  uint32_t packedHigh_ = 0;                       // their common fourth byte, in place
  // Or the planes of the JPEG the surface was drawn from (1.5 bytes a
  // pixel), shared as packed_; planesForm_ points into them.
  std::shared_ptr<const uint8_t> planes_;
  YccPlanes planesForm_;
  uint64_t planesSerial_ = 0;
  std::shared_ptr<ConvertedRows> converted_;
  // KeepRuns' form, in place of the pixels.
  std::unique_ptr<KeptRuns> runs_;
  SDL_Surface* plain_ = nullptr;
  SDL_Surface* keyed_ = nullptr;
  bool keyDirty_ = false;
  std::optional<uint32_t> key_;
  std::unique_ptr<SdlDeviceContext> dc_;
  bool dcOut_ = false;
  int locks_ = 0;
  SdlSurface* attached_ = nullptr;  // the back buffer; this primary holds one count on it
  ChangedArea changes_;
};

}  // namespace velmo
