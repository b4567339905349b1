#include "platform/sdl/sdl_presenter.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/pixel_format.h"

namespace velmo {

namespace {

// Every byte of n XRGB pixels times k / 256 (k at most 256, so a product
// fits 16 bits): what the ramp's lookup gives, in a loop the compiler turns
// into 16-bit vector multiplies.
void ScaleRow(const uint32_t* in, uint32_t* out, int n, uint32_t k) {
  const auto* __restrict from = reinterpret_cast<const uint8_t*>(in);
  auto* __restrict to = reinterpret_cast<uint8_t*>(out);
  const auto factor = static_cast<uint16_t>(k);
  for (int i = 0; i < 4 * n; ++i) to[i] = static_cast<uint8_t>((static_cast<uint16_t>(from[i]) * factor) >> 8);
}

}  // namespace

void ChangedArea::Add(const SDL_Rect& r) {
  if (whole || r.w <= 0 || r.h <= 0) return;
  for (int i = 0; i < count; ++i) {
    const SDL_Rect& o = rects[i];
    if (r.x >= o.x && r.y >= o.y && r.x + r.w <= o.x + o.w && r.y + r.h <= o.y + o.h) return;
  }
  if (count == kMaxRects) {
    whole = true;
    return;
  }
  rects[count++] = r;
}

SdlPresenter::~SdlPresenter() {
  if (scratch_) SDL_FreeSurface(scratch_);
}

void SdlPresenter::Attach(uint32_t windowId, int refreshHz, int) {
  windowId_ = windowId;
  if (refreshHz <= 0) refreshHz = 60;
  period_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::seconds(1)) / refreshHz;
  next_ = {};
  forceFull_ = true;
  rects_.clear();
  rects_.reserve(ChangedArea::kMaxRects);
}

void SdlPresenter::SetRamp(const DDGAMMARAMP* ramp) {
  bool identity = ramp == nullptr;
  if (ramp) {
    identity = true;
    for (int i = 0; i < 256; ++i) {
      lutR_[i] = static_cast<uint8_t>(ramp->red[i] >> 8);
      lutG_[i] = static_cast<uint8_t>(ramp->green[i] >> 8);
      lutB_[i] = static_cast<uint8_t>(ramp->blue[i] >> 8);
      identity = identity && lutR_[i] == i && lutG_[i] == i && lutB_[i] == i;
    }
  }
  if (ramp_ || !identity) forceFull_ = true;
  ramp_ = !identity;
  // The brightness keys write entry i = i x factor on all three channels: a
  // multiply the compiler turns into vector code, two channels at a time.
  factor_ = -1;
  if (ramp_ && ramp->red[1] <= 256) {
    const uint32_t k = ramp->red[1];
    bool linear = true;
    for (uint32_t i = 0; i < 256 && linear; ++i) {
      linear = ramp->red[i] == i * k && ramp->green[i] == i * k && ramp->blue[i] == i * k;
    }
    if (linear) factor_ = static_cast<int>(k);
  }
}

void SdlPresenter::Send(SDL_Surface* frame, SDL_Surface* window, const SDL_Rect& area) {
  SDL_Rect source = area;
  SDL_Rect target = area;
  if (!ramp_) {
    SDL_BlitSurface(frame, &source, window, &target);
    return;
  }
  const uint32_t bits = frame->format->BitsPerPixel == 16 ? 16 : 32;
  // The usual case: 32-bit words in and an XRGB window, converted in place.
  const bool direct = bits == 32 && window->format->format == SDL_PIXELFORMAT_RGB888;
  SDL_Surface* out = direct ? window : scratch_;
  if (!out) return;
  if (direct && SDL_MUSTLOCK(window)) SDL_LockSurface(window);
  for (int y = area.y; y < area.y + area.h; ++y) {
    const auto* in = static_cast<const uint8_t*>(frame->pixels) + static_cast<size_t>(y) * frame->pitch;
    auto* dst = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(out->pixels) + static_cast<size_t>(y) * out->pitch);
    if (bits == 32 && factor_ >= 0) {
      ScaleRow(reinterpret_cast<const uint32_t*>(in) + area.x, dst + area.x, area.w, static_cast<uint32_t>(factor_));
    } else if (bits == 32) {
      const auto* src = reinterpret_cast<const uint32_t*>(in);
      for (int x = area.x; x < area.x + area.w; ++x) {
        const uint32_t p = src[x];
        dst[x] = (uint32_t{lutR_[(p >> 16) & 0xFF]} << 16) | (uint32_t{lutG_[(p >> 8) & 0xFF]} << 8) |
                 lutB_[p & 0xFF];
      }
    } else {
      for (int x = area.x; x < area.x + area.w; ++x) {
        const TColor c = ColourFromNative(ReadNative(in, x, 16), 16);
        dst[x] = NativeFromRgb(lutR_[RedOf(c)], lutG_[GreenOf(c)], lutB_[BlueOf(c)], 32);
      }
    }
  }
  if (direct) {
    if (SDL_MUSTLOCK(window)) SDL_UnlockSurface(window);
  } else {
    SDL_BlitSurface(scratch_, &source, window, &target);
  }
}

bool SdlPresenter::Present(SDL_Surface* frame, const ChangedArea& changed) {
  SDL_Window* window = SDL_GetWindowFromID(windowId_);
  if (!window || !frame) return true;  // nothing to show it in
  SDL_Surface* windowSurface = SDL_GetWindowSurface(window);
  if (!windowSurface) return false;
  bool full = forceFull_.exchange(false) || changed.whole || windowSurface != lastWindowSurface_ ||
              windowSurface->w != lastW_ || windowSurface->h != lastH_;
  if (full && (windowSurface->w > frame->w || windowSurface->h > frame->h)) SDL_FillRect(windowSurface, nullptr, 0);
  const bool needScratch = ramp_ && !(frame->format->BitsPerPixel != 16 &&
                                      windowSurface->format->format == SDL_PIXELFORMAT_RGB888);
  if (needScratch && (!scratch_ || scratch_->w != frame->w || scratch_->h != frame->h)) {
    if (scratch_) SDL_FreeSurface(scratch_);
    scratch_ = SDL_CreateRGBSurfaceWithFormat(0, frame->w, frame->h, 24, SDL_PIXELFORMAT_RGB888);
  }
  lastWindowSurface_ = windowSurface;
  lastW_ = windowSurface->w;
  lastH_ = windowSurface->h;

  const SDL_Rect bounds{0, 0, std::min(frame->w, windowSurface->w), std::min(frame->h, windowSurface->h)};
  rects_.clear();
  auto send = [&](const SDL_Rect& r) {
    SDL_Rect area;
    if (!SDL_IntersectRect(&r, &bounds, &area)) return;
    Send(frame, windowSurface, area);
    rects_.push_back(area);
  };
  if (full) {
    send(bounds);
  } else {
    for (int i = 0; i < changed.count; ++i) send(changed.rects[i]);
  }
  if (!rects_.empty()) SDL_UpdateWindowSurfaceRects(window, rects_.data(), static_cast<int>(rects_.size()));
  return true;
}

void SdlPresenter::WaitForVerticalBlank() {
  const auto now = std::chrono::steady_clock::now();
  if (next_ <= now) {
    // Late (or the first flip): the next refresh on the grid, never a burst.
    const auto behind = next_ == decltype(next_){} ? period_ : (now - next_) / period_ * period_ + period_;
    next_ = next_ == decltype(next_){} ? now + behind : next_ + behind;
  }
  std::this_thread::sleep_until(next_);
  next_ += period_;
}

}  // namespace velmo
