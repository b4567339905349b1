#include "platform/sdl/sdl_surface.h"

#include <cairo.h>
#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/pixel_format.h"
#include "platform/sdl/surface_host.h"
#include "platform/sdl/sdl_gamma_control.h"

#include <cstdlib>

namespace velmo {
namespace {

SDL_Surface* Header(uint8_t* pixels, int width, int height, int pitch, uint32_t bits) {
  const uint32_t format = bits == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
  return SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, bits == 16 ? 16 : 24, pitch, format);
}

// A row kept 3 bytes a pixel, read as the 4-byte pixels it was made from.
struct PackedRow {
  const uint8_t* bytes;
  uint32_t high;  // the fourth byte, the same in every pixel, in place
  uint32_t operator[](int64_t i) const {
    const uint8_t* p = bytes + 3 * i;
    return high | uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
  }
};

// Pictures kept packed, by their content: the scenes of several monitors
// decode the same pictures at the same size, and keep them once. Main
// thread only, as every surface; an entry goes when its last user does.
struct SharedPicture {
  int width, height;
  uint32_t form;
  uint64_t hash, serial;
  std::weak_ptr<const uint8_t> bytes;
};

std::vector<SharedPicture>& SharedPictures() {
  static std::vector<SharedPicture> pictures;
  return pictures;
}

uint64_t HashOf(const uint8_t* bytes, size_t n) {
  uint64_t h = 0xcbf29ce484222325u;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    h = (h ^ word) * 0x100000001b3u;
    h ^= h >> 29;
  }
  for (; i < n; ++i) h = (h ^ bytes[i]) * 0x100000001b3u;
  return h;
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

void SdlSurface::FreeMemory::operator()(uint8_t* p) const {
  if (mapped) munmap(p, mapped);
  else std::free(p);
}

std::unique_ptr<uint8_t, SdlSurface::FreeMemory> SdlSurface::ZeroedPixels(size_t bytes) {
  constexpr size_t kFrameSized = size_t{1} << 20;
  if (bytes < kFrameSized) return std::unique_ptr<uint8_t, FreeMemory>(static_cast<uint8_t*>(std::calloc(bytes, 1)), FreeMemory{0});
  // Mapped pages come zeroed, without a pass over them.
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return std::unique_ptr<uint8_t, FreeMemory>(nullptr, FreeMemory{bytes});
  return std::unique_ptr<uint8_t, FreeMemory>(static_cast<uint8_t*>(p), FreeMemory{bytes});
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

std::shared_ptr<const uint8_t> SdlSurface::SharePicture(std::unique_ptr<uint8_t, FreeMemory> packed, size_t n,
                                                        int width, int height, uint32_t form, uint64_t* serial) {
  static uint64_t made = 0;
  const uint64_t hash = HashOf(packed.get(), n);
  auto& pictures = SharedPictures();
  std::erase_if(pictures, [](const SharedPicture& p) { return p.bytes.expired(); });
  for (const SharedPicture& p : pictures) {
    if (p.width != width || p.height != height || p.form != form || p.hash != hash) continue;
    std::shared_ptr<const uint8_t> same = p.bytes.lock();
    if (same && std::memcmp(same.get(), packed.get(), n) == 0) {
      *serial = p.serial;
      return same;
    }
  }
  FreeMemory free = packed.get_deleter();
  std::shared_ptr<const uint8_t> kept(packed.release(), free);
  *serial = ++made;
  pictures.push_back(SharedPicture{width, height, form, hash, *serial, kept});
  return kept;
}

struct SdlSurface::Converted {
  int width, height;
  std::unique_ptr<uint8_t, FreeMemory> rows;  // 4 bytes a pixel, no padding
  uint64_t holds = 0;                         // the serial of the picture in them, 0 for none
};

std::shared_ptr<SdlSurface::Converted> SdlSurface::ConvertedFor(int width, int height) {
  static std::vector<std::weak_ptr<Converted>> all;
  std::erase_if(all, [](const std::weak_ptr<Converted>& c) { return c.expired(); });
  for (const auto& c : all) {
    auto same = c.lock();
    if (same && same->width == width && same->height == height) return same;
  }
  auto rows = ZeroedPixels(static_cast<size_t>(width) * 4 * height);
  if (!rows) return nullptr;
  auto made = std::make_shared<Converted>(Converted{width, height, std::move(rows), 0});
  all.push_back(made);
  return made;
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
  auto converted = ConvertedFor(width_, height_);
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
  if (opaque_) {
    auto own = ZeroedPixels(static_cast<size_t>(pitch_) * height_);
    if (!own) return false;
    const int bytes = BytesPerPixel(bits_);
    for (int y = 0; y < height_; ++y) {
      uint8_t* row = own.get() + static_cast<size_t>(y) * pitch_;
      if (bytes == 4) std::fill_n(reinterpret_cast<uint32_t*>(row), width_, *key_);
      else std::fill_n(reinterpret_cast<uint16_t*>(row), width_, static_cast<uint16_t>(*key_));
      for (uint32_t i = rowRuns_[y]; i < rowRuns_[y + 1]; ++i) {
        const KeptRun& run = runs_[i];
        if (runBytes_ == 3) {
          const PackedRow in{opaque_.get() + run.offset, runsHigh_};
          auto* out = reinterpret_cast<uint32_t*>(row) + run.x;
          for (int32_t k = 0; k < run.length; ++k) out[k] = in[k];
        } else {
          std::memcpy(row + static_cast<size_t>(run.x) * bytes, opaque_.get() + run.offset,
                      static_cast<size_t>(run.length) * bytes);
        }
      }
    }
    if (!Repoint(own.get())) return false;
    memory_ = std::move(own);
    opaque_.reset();
    runs_ = {};
    rowRuns_ = {};
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
  const int bytes = BytesPerPixel(bits_);
  const uint32_t key = *key_;
  auto pixelAt = [&](const uint8_t* row, int x) -> uint32_t {
    if (bytes == 4) return reinterpret_cast<const uint32_t*>(row)[x];
    return reinterpret_cast<const uint16_t*>(row)[x];
  };
  // The fourth byte of every pixel kept, where they share one: then 3 bytes
  // a pixel are kept (the key's pixels are made again from the key).
  std::optional<uint8_t> high;
  bool shared = bytes == 4;
  for (int y = 0; y < height_ && shared; ++y) {
    const uint8_t* row = pixels_ + static_cast<size_t>(y) * pitch_;
    for (int x = 0; x < width_ && shared; ++x) {
      if (pixelAt(row, x) == key) continue;
      if (!high) high = row[4 * x + 3];
      shared = row[4 * x + 3] == *high;
    }
  }
  const int kept = shared ? 3 : bytes;
  // Two passes: the runs and their size, then their pixels.
  std::vector<KeptRun> runs;
  std::vector<uint32_t> rowRuns(static_cast<size_t>(height_) + 1, 0);
  size_t total = 0;
  for (int y = 0; y < height_; ++y) {
    const uint8_t* row = pixels_ + static_cast<size_t>(y) * pitch_;
    rowRuns[y] = static_cast<uint32_t>(runs.size());
    for (int x = 0; x < width_;) {
      if (pixelAt(row, x) == key) {
        ++x;
        continue;
      }
      int end = x + 1;
      while (end < width_ && pixelAt(row, end) != key) ++end;
      runs.push_back(KeptRun{x, end - x, total});
      total += static_cast<size_t>(end - x) * kept;
      x = end;
    }
  }
  rowRuns[height_] = static_cast<uint32_t>(runs.size());
  auto opaque = ZeroedPixels(std::max<size_t>(total, 1));
  if (!opaque) return;
  for (int y = 0; y < height_; ++y) {
    const uint8_t* row = pixels_ + static_cast<size_t>(y) * pitch_;
    for (uint32_t i = rowRuns[y]; i < rowRuns[y + 1]; ++i) {
      uint8_t* out = opaque.get() + runs[i].offset;
      const uint8_t* in = row + static_cast<size_t>(runs[i].x) * bytes;
      if (kept == 3) {
        for (int32_t k = 0; k < runs[i].length; ++k, out += 3) std::memcpy(out, in + 4 * k, 3);
      } else {
        std::memcpy(out, in, static_cast<size_t>(runs[i].length) * bytes);
      }
    }
  }
  runs.shrink_to_fit();
  runs_ = std::move(runs);
  rowRuns_ = std::move(rowRuns);
  opaque_ = std::move(opaque);
  runBytes_ = kept;
  runsHigh_ = shared && high ? uint32_t{*high} << 24 : 0;
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
  if (opaque_) {
    // The gaps between the row's runs, and before and after them.
    first = width_;
    last = 0;
    int32_t x = 0;
    for (uint32_t i = rowRuns_[y]; i < rowRuns_[y + 1]; ++i) {
      if (runs_[i].x > x) {
        first = std::min(first, x);
        last = runs_[i].x;
      }
      x = runs_[i].x + runs_[i].length;
    }
    if (x < width_) {
      first = std::min(first, x);
      last = width_;
    }
    return first < last;
  }
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
  const int bytes = BytesPerPixel(bits_);
  // Source columns [left, right) land at drawn.x onwards.
  const int32_t left = source.x + (drawn.x - x), right = left + drawn.w;
  for (int row = 0; row < drawn.h; ++row) {
    const int32_t sy = source.y + (drawn.y - y) + row;
    uint8_t* out = pixels_ + static_cast<size_t>(drawn.y + row) * pitch_;
    for (uint32_t i = from.rowRuns_[sy]; i < from.rowRuns_[sy + 1]; ++i) {
      const KeptRun& run = from.runs_[i];
      if (run.x >= right) break;
      const int32_t a = std::max(run.x, left), b = std::min(run.x + run.length, right);
      if (a >= b) continue;
      uint8_t* to = out + static_cast<size_t>(drawn.x + (a - left)) * bytes;
      if (from.runBytes_ == 3) {
        const PackedRow in{from.opaque_.get() + run.offset + static_cast<size_t>(a - run.x) * 3, from.runsHigh_};
        auto* wide = reinterpret_cast<uint32_t*>(to);
        for (int32_t k = 0; k < b - a; ++k) wide[k] = in[k];
      } else {
        std::memcpy(to, from.opaque_.get() + run.offset + static_cast<size_t>(a - run.x) * bytes,
                    static_cast<size_t>(b - a) * bytes);
      }
    }
  }
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
  if (from->opaque_ && keyed && from->bits_ == bits_) {
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

namespace {

// One row of a nearest-pixel stretch: count box columns from firstX, each
// taking source column X * sw / boxW (stepped, no division per pixel).
template <typename Source, typename Pixel>
void StretchRow(Source src, Pixel* dst, int count, int64_t firstX, int64_t sw, int64_t boxW) {
  int64_t column = firstX * sw / boxW, remainder = firstX * sw % boxW;
  if (sw <= boxW) {
    // Enlarging: at most one source column further per step, without a
    // branch the processor would mispredict at every few pixels.
    for (int i = 0; i < count; ++i) {
      dst[i] = src[column];
      remainder += sw;
      const int64_t carry = remainder >= boxW;
      column += carry;
      remainder -= carry * boxW;
    }
    return;
  }
  for (int i = 0; i < count; ++i) {
    dst[i] = src[column];
    remainder += sw;
    while (remainder >= boxW) remainder -= boxW, ++column;
  }
}

// The same, keyed: runs of source pixels other than the key are drawn, the
// first row of a source row by stepping, the rows repeating it as copies of
// those runs from the row above.
template <typename Pixel>
void StretchKeyedRow(const Pixel* src, Pixel* dst, int count, int64_t firstX, int64_t sw, int64_t boxW, Pixel key,
                     bool repeat, size_t pitch) {
  const int64_t lastX = firstX + count;  // box columns [firstX, lastX)
  const int64_t a0 = firstX * sw / boxW, a1 = std::min<int64_t>(sw, (lastX - 1) * sw / boxW + 1);
  for (int64_t a = a0; a < a1;) {
    if (src[a] == key) {
      ++a;
      continue;
    }
    int64_t b = a + 1;
    while (b < a1 && src[b] != key) ++b;
    // Box columns showing source columns [a, b): from ceil(a * boxW / sw) to ceil(b * boxW / sw).
    const int64_t from = std::max(firstX, (a * boxW + sw - 1) / sw), to = std::min(lastX, (b * boxW + sw - 1) / sw);
    if (from < to) {
      Pixel* out = dst + (from - firstX);
      if (repeat) {
        const auto* above = reinterpret_cast<const Pixel*>(reinterpret_cast<const uint8_t*>(out) - pitch);
        std::memcpy(out, above, static_cast<size_t>(to - from) * sizeof(Pixel));
      } else {
        StretchRow(src, out, static_cast<int>(to - from), from, sw, boxW);
      }
    }
    a = b;
  }
}

// Linear enlargement, for scales where nearest pixel would show blocks.
// Target pixel centres map onto the source (u = (X + 0.5) * sw / boxW - 0.5)
// from the absolute box column and row, so a clipped draw gives exactly the
// pixels of a whole one. Fixed point: the second pixel's weight in 256ths.
struct LinearTap {
  int32_t first;  // of the two source pixels mixed
  uint32_t weight;  // of the second, 0..256
};

// The tap of box position X of boxW over sw source pixels (sw >= 2).
LinearTap TapOf(int64_t X, int64_t sw, int64_t boxW) {
  const int64_t n = (2 * X + 1) * sw - boxW, d = 2 * boxW;
  if (n <= 0) return {0, 0};
  const int64_t a = n / d;
  if (a >= sw - 1) return {static_cast<int32_t>(sw - 2), 256};
  return {static_cast<int32_t>(a), static_cast<uint32_t>((n % d) * 256 / d)};
}

// Two 8-bit channels at once in each half of the word: no lane overflows
// (255 * 256 + 128 < 65536).
inline uint32_t Mix(uint32_t p, uint32_t q, uint32_t w) {
  const uint32_t v = 256 - w;
  const uint32_t rb = (((p & 0xFF00FFu) * v + (q & 0xFF00FFu) * w + 0x800080u) >> 8) & 0xFF00FFu;
  const uint32_t ag = (((p >> 8) & 0xFF00FFu) * v + ((q >> 8) & 0xFF00FFu) * w + 0x800080u) & 0xFF00FF00u;
  return rb | ag;
}

// src holds the source row from column `from` on.
void MixRow(const uint32_t* src, int32_t from, const LinearTap* taps, uint32_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    const uint32_t* p = src + (taps[i].first - from);
    out[i] = Mix(p[0], p[1], taps[i].weight);
  }
}

// Bytewise, the same rounding as Mix; written for the vectoriser.
void BlendRows(const uint8_t* top, const uint8_t* bottom, uint8_t* out, size_t bytes, uint32_t w) {
  const uint16_t b = static_cast<uint16_t>(w), t = static_cast<uint16_t>(256 - w);
  for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>((top[i] * t + bottom[i] * b + 128) >> 8);
}

// From this scale up a pixel of the sea's frames shows as a block of two by
// two or more; below it (1920 x 1080 shows 1.8 screen pixels a pixel) the
// blocks do not show and nearest pixel costs less.
bool Filtered(int64_t sw, int64_t sh, int64_t boxW, int64_t boxH) {
  return sw >= 2 && sh >= 2 && boxW >= 2 * sw && boxH >= 2 * sh;
}

}  // namespace

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
  if (!Unpack() || (from->opaque_ && !from->Unpack())) return DDERR_OUTOFMEMORY;
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
