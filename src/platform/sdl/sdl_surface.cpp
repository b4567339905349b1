#include "platform/sdl/sdl_surface.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/pixel_format.h"
#include "platform/sdl/kept_runs.h"
#include "platform/sdl/picture_cache.h"
#include "platform/sdl/surface_host.h"
#include "platform/sdl/sdl_gamma_control.h"
#include "platform/sdl/stretch_rows.h"

#include <cstdlib>

namespace velmo {
namespace {

SDL_Surface* Header(uint8_t* pixels, int width, int height, int pitch, uint32_t bits) {
  const uint32_t format = bits == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
  return SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, bits == 16 ? 16 : 24, pitch, format);
}

bool Within(const Rect& r, int width, int height) {
  return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height && r.left < r.right &&
         r.top < r.bottom;
}

}  // namespace

SdlSurface::SdlSurface(ISurfaceHost* owner, int width, int height, uint32_t bits, uint32_t caps)
    : owner_(owner), width_(width), height_(height), bits_(bits), caps_(caps) {
  // Cairo's row length, so device contexts draw straight into these pixels.
  pitch_ = cairo_format_stride_for_width(bits == 16 ? CAIRO_FORMAT_RGB16_565 : CAIRO_FORMAT_RGB24, width);
}

SdlSurface* SdlSurface::Create(ISurfaceHost* owner, int width, int height, uint32_t bits, uint32_t caps) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || !IsSupportedDepth(bits)) return nullptr;
  std::unique_ptr<SdlSurface> surface(new (std::nothrow) SdlSurface(owner, width, height, bits, caps));
  if (!surface || surface->pitch_ <= 0) return nullptr;
  surface->memory_ = ZeroedPixels(static_cast<size_t>(surface->pitch_) * height);
  if (!surface->memory_) return nullptr;
  surface->pixels_ = surface->memory_.get();
  surface->plain_ = Header(surface->pixels_, width, height, surface->pitch_, bits);
  if (!surface->plain_) return nullptr;
  SDL_SetSurfaceBlendMode(surface->plain_, SDL_BLENDMODE_NONE);
  return surface.release();
}

bool SdlSurface::Repoint(uint8_t* pixels) {
  SDL_Surface* header = Header(pixels, width_, height_, pitch_, bits_);
  if (!header) return false;
  SDL_SetSurfaceBlendMode(header, SDL_BLENDMODE_NONE);
  SDL_SetClipRect(header, &plain_->clip_rect);
  SDL_FreeSurface(plain_);
  plain_ = header;
  if (keyed_) SDL_FreeSurface(keyed_);
  keyed_ = nullptr;  // made again over the new pixels when blitted from
  dc_.reset();       // likewise
  pixels_ = pixels;
  return true;
}

bool SdlSurface::Borrow(SDL_Surface* image) {
  if (dcOut_ || locks_ || !image || image->w != width_ || image->h != height_ || image->pitch != pitch_) return false;
  const uint32_t format = bits_ == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
  if (image->format->format != format) return false;
  if (image->pixels == pixels_) return true;
  if (!Repoint(static_cast<uint8_t*>(image->pixels))) return false;
  memory_.reset();
  return true;
}

bool SdlSurface::OwnPixels(bool keep) {
  if (memory_) return true;
  if (dcOut_ || locks_) return false;
  const size_t bytes = static_cast<size_t>(pitch_) * height_;
  auto own = ZeroedPixels(bytes);
  if (!own) return false;
  if (keep) std::memcpy(own.get(), pixels_, bytes);
  if (!Repoint(own.get())) return false;
  memory_ = std::move(own);
  return true;
}

bool SdlSurface::KeepPlanes(const Bitmap& drawn, uint32_t high) {
  const YccPlanes in = drawn.Planes();
  if (drawn.GetFormat() != Bitmap::Format::Ycc420 || in.width != width_ || in.height != height_) return false;
  // Kept only where they give back the very pixels drawn.
  std::vector<uint32_t> row(static_cast<size_t>(width_));
  for (int y = 0; y < height_; ++y) {
    YccToRgb(in, y, 1, reinterpret_cast<uint8_t*>(row.data()), 0, high);
    if (std::memcmp(row.data(), pixels_ + static_cast<size_t>(y) * pitch_, row.size() * 4) != 0) return false;
  }
  const size_t luma = static_cast<size_t>(width_) * height_;
  const size_t n = luma + 2 * static_cast<size_t>(in.ChromaWidth()) * in.ChromaHeight();
  auto planes = ZeroedPixels(n);
  auto converted = ConvertedRowsFor(width_, height_);
  if (!planes || !converted) return false;
  std::memcpy(planes.get(), in.y, n);  // Y, Cb and Cr lie one after another
  const uint32_t form = high | 0x100u | uint32_t(in.phaseX) << 1 | uint32_t(in.phaseY) << 2;
  planes_ = SharePicture(std::move(planes), n, width_, height_, form, &planesSerial_);
  planesForm_ = in;
  planesForm_.y = planes_.get();
  planesForm_.cb = planesForm_.y + luma;
  planesForm_.cr = planesForm_.cb + static_cast<size_t>(in.ChromaWidth()) * in.ChromaHeight();
  packedHigh_ = high;
  converted_ = std::move(converted);
  return true;
}

const uint8_t* SdlSurface::StretchRows(size_t* pitch) {
  if (!planes_) {
    *pitch = static_cast<size_t>(pitch_);
    return pixels_;
  }
  *pitch = static_cast<size_t>(width_) * 4;
  if (converted_->holds != planesSerial_) {
    YccToRgb(planesForm_, 0, height_, converted_->rows.get(), *pitch, packedHigh_);
    converted_->holds = planesSerial_;
  }
  return converted_->rows.get();
}

void SdlSurface::KeepForStretching(const Bitmap& drawn) {
  if (bits_ == 16 || key_ || !memory_ || dcOut_ || locks_ || (caps_ & (DDSCAPS_PRIMARYSURFACE | DDSCAPS_BACKBUFFER)))
    return;
  // The fourth byte carries nothing but must come back as it was: only a
  // surface that has one value there in every pixel is packed.
  const uint8_t high = pixels_[3];
  for (int y = 0; y < height_; ++y) {
    const uint8_t* row = pixels_ + static_cast<size_t>(y) * pitch_;
    for (int x = 0; x < width_; ++x)
      if (row[4 * x + 3] != high) return;
  }
  if (!KeepPlanes(drawn, uint32_t{high} << 24)) {
    const size_t n = static_cast<size_t>(width_) * 3 * height_;
    auto packed = ZeroedPixels(n);
    if (!packed) return;
    uint8_t* out = packed.get();
    for (int y = 0; y < height_; ++y) {
      const uint8_t* row = pixels_ + static_cast<size_t>(y) * pitch_;
      for (int x = 0; x < width_; ++x, out += 3) std::memcpy(out, row + 4 * x, 3);
    }
    packedHigh_ = uint32_t{high} << 24;
    uint64_t serial;
    packed_ = SharePicture(std::move(packed), n, width_, height_, packedHigh_, &serial);
  }
  if (keyed_) SDL_FreeSurface(keyed_);
  keyed_ = nullptr;
  dc_.reset();
  memory_.reset();
  pixels_ = nullptr;  // the plain header is not used until Unpack
}

bool SdlSurface::Unpack() {
  if (runs_) {
    auto own = ZeroedPixels(static_cast<size_t>(pitch_) * height_);
    if (!own) return false;
    runs_->Unpack(own.get(), pitch_, *key_);
    if (!Repoint(own.get())) return false;
    memory_ = std::move(own);
    runs_.reset();
    return true;
  }
  if (!packed_ && !planes_) return true;
  auto own = ZeroedPixels(static_cast<size_t>(pitch_) * height_);
  if (!own) return false;
  if (planes_) {
    YccToRgb(planesForm_, 0, height_, own.get(), static_cast<size_t>(pitch_), packedHigh_);
    if (!Repoint(own.get())) return false;
    memory_ = std::move(own);
    planes_.reset();
    converted_.reset();
    return true;
  }
  for (int y = 0; y < height_; ++y) {
    const PackedRow row{packed_.get() + static_cast<size_t>(y) * 3 * width_, packedHigh_};
    auto* out = reinterpret_cast<uint32_t*>(own.get() + static_cast<size_t>(y) * pitch_);
    for (int x = 0; x < width_; ++x) out[x] = row[x];
  }
  if (!Repoint(own.get())) return false;
  memory_ = std::move(own);
  packed_.reset();
  return true;
}

void SdlSurface::KeepRuns() {
  constexpr size_t kLarge = size_t{1} << 20;  // below this SDL's own copy costs little
  if (!key_ || !memory_ || dcOut_ || locks_ || static_cast<size_t>(pitch_) * height_ < kLarge ||
      (caps_ & (DDSCAPS_PRIMARYSURFACE | DDSCAPS_BACKBUFFER)))
    return;
  runs_ = KeptRuns::Of(pixels_, pitch_, width_, height_, BytesPerPixel(bits_), *key_);
  if (!runs_) return;
  if (keyed_) SDL_FreeSurface(keyed_);
  keyed_ = nullptr;
  dc_.reset();
  memory_.reset();
  pixels_ = nullptr;  // the plain header is not used until Unpack
}

bool SdlSurface::KeyedSpan(int32_t y, int32_t& first, int32_t& last) {
  if (!key_) return false;
  first = 0;
  last = width_;
  if (y < 0 || y >= height_) return true;
  if (runs_) return runs_->KeyedSpan(y, first, last);
  if (!pixels_) return true;
  const uint8_t* row = pixels_ + static_cast<size_t>(y) * pitch_;
  auto keyed = [&](int x) {
    return bits_ == 16 ? reinterpret_cast<const uint16_t*>(row)[x] == *key_
                       : reinterpret_cast<const uint32_t*>(row)[x] == *key_;
  };
  while (first < width_ && !keyed(first)) ++first;
  while (last > first && !keyed(last - 1)) --last;
  return first < last;
}

SDL_Rect SdlSurface::BltRuns(const SdlSurface& from, int32_t x, int32_t y, const SDL_Rect& source) {
  const SDL_Rect wanted{x, y, source.w, source.h};
  SDL_Rect drawn;
  if (!SDL_IntersectRect(&wanted, &plain_->clip_rect, &drawn)) return SDL_Rect{0, 0, 0, 0};
  // Source columns [left, right) land at drawn.x onwards.
  const int32_t left = source.x + (drawn.x - x);
  from.runs_->Blit(pixels_, pitch_, drawn, left, left + drawn.w, source.y + (drawn.y - y));
  return drawn;
}

SdlSurface::~SdlSurface() {
  if (attached_) attached_->Release();
  dc_.reset();
  if (keyed_) SDL_FreeSurface(keyed_);
  if (plain_) SDL_FreeSurface(plain_);
  if (owner_) owner_->Forget(this);
}

uint32_t SdlSurface::Release() {
  if (refs_ == 0) return 0;
  if (--refs_ > 0) return refs_;
  delete this;
  return 0;
}

// Pixels live in system memory: nothing the window system does loses them.
// A saver whose window loses its activation is ended by its window's event
// instead (see IWindow's onDeactivate).
HRESULT SdlSurface::Usable() const {
  if (!owner_) return DDERR_INVALIDOBJECT;  // its DirectDraw object is gone
  return DD_OK;
}

HRESULT SdlSurface::IsLost() { return owner_ ? DD_OK : DDERR_INVALIDOBJECT; }

HRESULT SdlSurface::Restore() { return owner_ ? DD_OK : DDERR_INVALIDOBJECT; }

void SdlSurface::MarkChanged(const SDL_Rect& r) {
  SDL_Rect cut;
  if (SDL_IntersectRect(&r, &plain_->clip_rect, &cut)) changes_.Add(PixelRect{cut.x, cut.y, cut.w, cut.h});
}

HRESULT SdlSurface::SetClipRect(const Rect* rect) {
  if (!owner_) return DDERR_INVALIDOBJECT;
  if (!rect) {
    SDL_SetClipRect(plain_, nullptr);
    return DD_OK;
  }
  if (rect->right < rect->left || rect->bottom < rect->top) return DDERR_INVALIDRECT;
  const SDL_Rect clip{rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top};
  SDL_SetClipRect(plain_, &clip);  // SDL cuts it to the surface
  return DD_OK;
}

HRESULT SdlSurface::Flip(IDirectDrawSurface7* target, uint32_t) {
  if (HRESULT usable = Usable(); usable != DD_OK) return usable;
  if (!(caps_ & DDSCAPS_PRIMARYSURFACE) || !attached_) return DDERR_NOTFLIPPABLE;
  if (target && target != attached_) return DDERR_INVALIDPARAMS;
  if (attached_->dcOut_ || attached_->locks_ || dcOut_ || locks_) return DDERR_SURFACEBUSY;
  return owner_->Present(*attached_) ? DD_OK : DDERR_NOFLIPHW;
}

HRESULT SdlSurface::GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out) {
  if (out == nullptr || caps == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!(caps->dwCaps & DDSCAPS_BACKBUFFER) || !attached_) return DDERR_NOTFOUND;
  attached_->AddRef();
  *out = attached_;
  return DD_OK;
}

SDL_Surface* SdlSurface::BlitSource(bool keyed) {
  if (!keyed || !key_) return plain_;
  if (!keyed_) {
    keyed_ = Header(pixels_, width_, height_, pitch_, bits_);
    if (!keyed_) return nullptr;
    SDL_SetSurfaceBlendMode(keyed_, SDL_BLENDMODE_NONE);
    SDL_SetColorKey(keyed_, SDL_TRUE, *key_);
    SDL_SetSurfaceRLE(keyed_, 1);
    keyDirty_ = false;
  } else if (keyDirty_) {
    // A lock and unlock makes SDL encode the changed pixels afresh.
    SDL_LockSurface(keyed_);
    SDL_UnlockSurface(keyed_);
    keyDirty_ = false;
  }
  return keyed_;
}

HRESULT SdlSurface::Blt(const Rect* dest, IDirectDrawSurface7* source, const Rect* sourceRect, uint32_t flags,
                        DDBLTFX* fx) {
  if (HRESULT usable = Usable(); usable != DD_OK) return usable;
  if (dcOut_ || locks_) return DDERR_SURFACEBUSY;
  if (!Unpack()) return DDERR_OUTOFMEMORY;
  const Rect area = dest ? *dest : Rect{0, 0, width_, height_};
  if (!Within(area, width_, height_)) return DDERR_INVALIDRECT;
  SDL_Rect target{area.left, area.top, area.right - area.left, area.bottom - area.top};
  if (flags & DDBLT_COLORFILL) {
    if (fx == nullptr) return DDERR_INVALIDPARAMS;
    SDL_FillRect(plain_, &target, bits_ == 16 ? (fx->dwFillColor & 0xFFFF) : (fx->dwFillColor & 0xFFFFFF));
    MarkChanged(target);
    Touch();
    return DD_OK;
  }
  auto* from = static_cast<SdlSurface*>(source);
  if (from == nullptr) return DDERR_INVALIDPARAMS;
  if (HRESULT usable = from->Usable(); usable != DD_OK) return usable;
  if (from == this) return DDERR_INVALIDPARAMS;
  if (!from->Unpack()) return DDERR_OUTOFMEMORY;
  const Rect s = sourceRect ? *sourceRect : Rect{0, 0, from->width_, from->height_};
  if (!Within(s, from->width_, from->height_)) return DDERR_INVALIDRECT;
  SDL_Rect sr{s.left, s.top, s.right - s.left, s.bottom - s.top};
  // Nearest pixel when the sizes differ; plain copy otherwise.
  const int rc = (sr.w == target.w && sr.h == target.h) ? SDL_BlitSurface(from->plain_, &sr, plain_, &target)
                                                         : SDL_BlitScaled(from->plain_, &sr, plain_, &target);
  MarkChanged(target);  // SDL left the clipped rectangle in it
  Touch();
  return rc == 0 ? DD_OK : DDERR_GENERIC;
}

HRESULT SdlSurface::BltFast(int32_t x, int32_t y, IDirectDrawSurface7* source, const Rect* sourceRect,
                            uint32_t flags) {
  if (HRESULT usable = Usable(); usable != DD_OK) return usable;
  auto* from = static_cast<SdlSurface*>(source);
  if (from == nullptr || from == this) return DDERR_INVALIDPARAMS;
  if (HRESULT usable = from->Usable(); usable != DD_OK) return usable;
  if (dcOut_ || locks_ || from->dcOut_ || from->locks_) return DDERR_SURFACEBUSY;
  const Rect s = sourceRect ? *sourceRect : Rect{0, 0, from->width_, from->height_};
  // A fast blit does not clip: the caller keeps both rectangles inside.
  if (!Within(s, from->width_, from->height_)) return DDERR_INVALIDRECT;
  const int w = s.right - s.left, h = s.bottom - s.top;
  if (x < 0 || y < 0 || int64_t{x} + w > width_ || int64_t{y} + h > height_) return DDERR_INVALIDRECT;
  const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) != 0;
  if (!Unpack()) return DDERR_OUTOFMEMORY;
  if (from->runs_ && keyed && from->bits_ == bits_) {
    MarkChanged(BltRuns(*from, x, y, SDL_Rect{s.left, s.top, w, h}));
    Touch();
    return DD_OK;
  }
  if (!from->Unpack()) return DDERR_OUTOFMEMORY;
  if (!keyed && from->bits_ == bits_) {
    // Row by row through the cache: SDL's copy streams past it, and a frame
    // copied into is read again at once to be sent.
    const SDL_Rect wanted{x, y, w, h};
    SDL_Rect drawn;
    if (!SDL_IntersectRect(&wanted, &plain_->clip_rect, &drawn)) return DD_OK;
    const size_t bytes = BytesPerPixel(bits_);
    for (int row = 0; row < drawn.h; ++row)
      std::memcpy(pixels_ + static_cast<size_t>(drawn.y + row) * pitch_ + drawn.x * bytes,
                  from->pixels_ + static_cast<size_t>(s.top + (drawn.y - y) + row) * from->pitch_ +
                      (s.left + (drawn.x - x)) * bytes,
                  drawn.w * bytes);
    MarkChanged(drawn);
    Touch();
    return DD_OK;
  }
  SDL_Surface* blitSource = from->BlitSource(keyed);
  if (!blitSource) return DDERR_OUTOFMEMORY;
  SDL_Rect sr{s.left, s.top, w, h};
  SDL_Rect dr{x, y, w, h};
  const int rc = SDL_BlitSurface(blitSource, &sr, plain_, &dr);
  MarkChanged(dr);  // SDL left the clipped rectangle in it
  Touch();
  return rc == 0 ? DD_OK : DDERR_GENERIC;
}

void SdlSurface::StretchLinear(const SDL_Rect& drawn, int64_t firstX, int64_t firstY, int64_t boxW, int64_t boxH,
                               const SdlSurface& from, const uint8_t* rows, size_t pitch) {
  const int64_t sw = from.width_, sh = from.height_;
  // Column by column in chunks the stack holds: the frame path allocates nothing.
  constexpr int kChunk = 1024;
  std::array<LinearTap, kChunk> taps;
  std::array<uint32_t, kChunk> rowA, rowB;
  // A packed source row's columns a chunk shows (at most half as many plus
  // two, enlarged twice or more), made 4 bytes once.
  std::array<uint32_t, kChunk / 2 + 2> wide;
  for (int c0 = 0; c0 < drawn.w; c0 += kChunk) {
    const int count = std::min(kChunk, drawn.w - c0);
    for (int i = 0; i < count; ++i) taps[i] = TapOf(firstX + c0 + i, sw, boxW);
    uint32_t* top = rowA.data();
    uint32_t* bottom = rowB.data();
    int64_t topRow = -1, bottomRow = -1;
    const int32_t a0 = taps[0].first, a1 = taps[count - 1].first + 2;  // source columns [a0, a1)
    auto mixed = [&](uint32_t* into, int64_t sy) {
      if (from.packed_) {
        const PackedRow in{from.packed_.get() + static_cast<size_t>(sy) * 3 * sw, from.packedHigh_};
        for (int32_t a = a0; a < a1; ++a) wide[a - a0] = in[a];
        MixRow(wide.data(), a0, taps.data(), into, count);
      } else {
        MixRow(reinterpret_cast<const uint32_t*>(rows + static_cast<size_t>(sy) * pitch), 0, taps.data(), into, count);
      }
    };
    for (int row = 0; row < drawn.h; ++row) {
      const LinearTap v = TapOf(firstY + row, sh, boxH);
      if (bottomRow == v.first) {
        std::swap(top, bottom);
        topRow = bottomRow;
        bottomRow = -1;
      }
      if (topRow != v.first) mixed(top, topRow = v.first);
      if (bottomRow != v.first + 1) mixed(bottom, bottomRow = v.first + 1);
      uint8_t* out = pixels_ + static_cast<size_t>(drawn.y + row) * pitch_ + static_cast<size_t>(drawn.x + c0) * 4;
      BlendRows(reinterpret_cast<const uint8_t*>(top), reinterpret_cast<const uint8_t*>(bottom), out,
                static_cast<size_t>(count) * 4, v.weight);
    }
  }
}

HRESULT SdlSurface::BltStretched(int32_t x, int32_t y, int32_t boxW, int32_t boxH, IDirectDrawSurface7* source,
                                 const Rect& part, uint32_t flags) {
  if (HRESULT usable = Usable(); usable != DD_OK) return usable;
  auto* from = static_cast<SdlSurface*>(source);
  if (from == nullptr || from == this || from->bits_ != bits_) return DDERR_INVALIDPARAMS;
  if (HRESULT usable = from->Usable(); usable != DD_OK) return usable;
  if (dcOut_ || locks_ || from->dcOut_ || from->locks_) return DDERR_SURFACEBUSY;
  if (!Within(part, boxW, boxH)) return DDERR_INVALIDRECT;
  if (!Unpack() || (from->runs_ && !from->Unpack())) return DDERR_OUTOFMEMORY;
  const int w = part.right - part.left, h = part.bottom - part.top;
  if (x < 0 || y < 0 || int64_t{x} + w > width_ || int64_t{y} + h > height_) return DDERR_INVALIDRECT;
  // What the clip rectangle lets through, in this surface's coordinates.
  const SDL_Rect wanted{x, y, w, h};
  SDL_Rect drawn;
  if (!SDL_IntersectRect(&wanted, &plain_->clip_rect, &drawn)) return DD_OK;
  const int64_t sw = from->width_, sh = from->height_;
  const int bytes = BytesPerPixel(bits_);
  const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) && from->key_;
  const uint32_t key = keyed ? *from->key_ : 0;
  const int64_t firstX = part.left + (drawn.x - x);  // box column of the first drawn pixel
  size_t sourcePitch;
  const uint8_t* sourceRows = from->StretchRows(&sourcePitch);
  if (!keyed && bytes == 4 && Filtered(sw, sh, boxW, boxH)) {
    StretchLinear(drawn, firstX, part.top + (drawn.y - y), boxW, boxH, *from, sourceRows, sourcePitch);
    MarkChanged(drawn);
    Touch();
    return DD_OK;
  }
  const size_t rowBytes = static_cast<size_t>(drawn.w) * bytes;
  int64_t lastSourceRow = -1;
  std::array<uint32_t, 4096> wide;  // a packed source row, made 4 bytes (on the stack: no allocation)
  for (int row = 0; row < drawn.h; ++row) {
    const int64_t sy = (part.top + (drawn.y - y) + row) * sh / boxH;
    uint8_t* out = pixels_ + static_cast<size_t>(drawn.y + row) * pitch_ + static_cast<size_t>(drawn.x) * bytes;
    const bool repeat = sy == lastSourceRow;
    lastSourceRow = sy;
    if (from->packed_) {
      // Kept small (KeepForStretching): unkeyed, 4 bytes a pixel. The source
      // columns this row shows are made 4 bytes once, then stretched as any
      // row (each is shown two or three times on a large screen).
      const PackedRow in{from->packed_.get() + static_cast<size_t>(sy) * 3 * from->width_, from->packedHigh_};
      if (repeat) {
        std::memcpy(out, out - pitch_, rowBytes);
      } else if (sw <= static_cast<int64_t>(wide.size())) {
        const int64_t a0 = firstX * sw / boxW, a1 = std::min<int64_t>(sw, (firstX + drawn.w - 1) * sw / boxW + 1);
        for (int64_t a = a0; a < a1; ++a) wide[a] = in[a];
        StretchRow(wide.data(), reinterpret_cast<uint32_t*>(out), drawn.w, firstX, sw, boxW);
      } else {
        StretchRow(in, reinterpret_cast<uint32_t*>(out), drawn.w, firstX, sw, boxW);
      }
      continue;
    }
    const uint8_t* in = sourceRows + static_cast<size_t>(sy) * sourcePitch;
    if (keyed && bytes == 4) {
      StretchKeyedRow(reinterpret_cast<const uint32_t*>(in), reinterpret_cast<uint32_t*>(out), drawn.w, firstX, sw,
                      boxW, key, repeat, pitch_);
    } else if (keyed) {
      StretchKeyedRow(reinterpret_cast<const uint16_t*>(in), reinterpret_cast<uint16_t*>(out), drawn.w, firstX, sw,
                      boxW, static_cast<uint16_t>(key), repeat, pitch_);
    } else if (repeat) {
      std::memcpy(out, out - pitch_, rowBytes);
    } else if (bytes == 4) {
      StretchRow(reinterpret_cast<const uint32_t*>(in), reinterpret_cast<uint32_t*>(out), drawn.w, firstX, sw, boxW);
    } else {
      StretchRow(reinterpret_cast<const uint16_t*>(in), reinterpret_cast<uint16_t*>(out), drawn.w, firstX, sw, boxW);
    }
  }
  MarkChanged(drawn);
  Touch();
  return DD_OK;
}

HRESULT SdlSurface::GetDC(IDeviceContext** dc) {
  if (dc == nullptr) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  if (HRESULT usable = Usable(); usable != DD_OK) return usable;
  if (dcOut_ || locks_) return DDERR_SURFACEBUSY;
  if (!Unpack()) return DDERR_OUTOFMEMORY;
  if (!dc_) {
    dc_.reset(new (std::nothrow) SdlDeviceContext(PixelTarget{pixels_, pitch_, width_, height_, bits_}));
    if (!dc_ || !dc_->Valid()) {
      dc_.reset();
      return DDERR_CANTCREATEDC;
    }
  }
  dc_->Begin();
  dcOut_ = true;
  *dc = dc_.get();
  return DD_OK;
}

HRESULT SdlSurface::ReleaseDC(IDeviceContext* dc) {
  if (!dcOut_ || dc != dc_.get()) return DDERR_INVALIDPARAMS;
  dc_->End();
  dcOut_ = false;
  MarkChanged(plain_->clip_rect);
  Touch();
  return DD_OK;
}

HRESULT SdlSurface::Lock(const Rect* rect, DDSURFACEDESC2* desc, uint32_t, void*) {
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  if (HRESULT usable = Usable(); usable != DD_OK) return usable;
  if (dcOut_) return DDERR_SURFACEBUSY;
  if (rect && !Within(*rect, width_, height_)) return DDERR_INVALIDRECT;
  if (!Unpack()) return DDERR_OUTOFMEMORY;
  GetSurfaceDesc(desc);
  uint8_t* start = pixels_;
  if (rect) start += static_cast<size_t>(rect->top) * pitch_ + static_cast<size_t>(rect->left) * BytesPerPixel(bits_);
  desc->lpSurface = start;
  ++locks_;
  return DD_OK;
}

HRESULT SdlSurface::Unlock(const Rect*) {
  if (locks_ == 0) return DDERR_NOTLOCKED;
  --locks_;
  MarkChanged(plain_->clip_rect);
  Touch();
  return DD_OK;
}

HRESULT SdlSurface::SetColorKey(uint32_t flags, DDCOLORKEY* key) {
  if (!owner_) return DDERR_INVALIDOBJECT;
  if (!(flags & DDCKEY_SRCBLT)) return DDERR_UNSUPPORTED;  // only source keys are blitted with
  if (!Unpack()) return DDERR_OUTOFMEMORY;
  if (key == nullptr) {
    key_.reset();
    if (keyed_) SDL_SetColorKey(keyed_, SDL_FALSE, 0);
    return DD_OK;
  }
  const uint32_t mask = bits_ == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  key_ = key->dwColorSpaceLowValue & mask;
  if (keyed_) {
    SDL_SetColorKey(keyed_, SDL_TRUE, *key_);
    keyDirty_ = true;
  }
  KeepRuns();
  return DD_OK;
}

HRESULT SdlSurface::GetSurfaceDesc(DDSURFACEDESC2* desc) {
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc->dwWidth = width_;
  desc->dwHeight = height_;
  desc->lPitch = pitch_;
  desc->lpSurface = nullptr;
  desc->ddpfPixelFormat = PixelFormatOf(bits_);
  desc->ddsCaps.dwCaps = caps_;
  return DD_OK;
}

HRESULT SdlSurface::QueryGammaControl(IDirectDrawGammaControl** control) {
  if (control == nullptr) return DDERR_INVALIDPARAMS;
  *control = nullptr;
  if (!owner_) return DDERR_INVALIDOBJECT;
  if (!(caps_ & DDSCAPS_PRIMARYSURFACE)) return E_NOINTERFACE;
  *control = owner_->MakeGammaControl();
  return *control ? DD_OK : DDERR_OUTOFMEMORY;
}

}  // namespace velmo
