#include "platform/sdl/sdl_presenter.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/pixel_format.h"

namespace velmo {

SdlPresenter::~SdlPresenter() {
  if (scratch_) SDL_FreeSurface(scratch_);
}

void SdlPresenter::Attach(uint32_t windowId, int refreshHz, int height) {
  windowId_ = windowId;
  if (refreshHz <= 0) refreshHz = 60;
  period_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::seconds(1)) / refreshHz;
  next_ = {};
  forceFull_ = true;
  rects_.clear();
  rects_.reserve(static_cast<size_t>(std::max(height, 1)) / 2 + 1);  // bands alternate at worst
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
  if (softwareRamp_ || !identity) forceFull_ = true;
  softwareRamp_ = !identity;
}

void SdlPresenter::SendBand(SDL_Surface* frame, SDL_Surface* window, int top, int rows, int width) {
  SDL_Rect source{0, top, width, rows};
  SDL_Rect target{0, top, width, rows};
  if (softwareRamp_ && scratch_) {
    const uint32_t bits = frame->format->BitsPerPixel == 16 ? 16 : 32;
    for (int y = top; y < top + rows; ++y) {
      const auto* in = static_cast<const uint8_t*>(frame->pixels) + static_cast<size_t>(y) * frame->pitch;
      auto* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(scratch_->pixels) +
                                              static_cast<size_t>(y) * scratch_->pitch);
      for (int x = 0; x < width; ++x) {
        const TColor c = ColourFromNative(ReadNative(in, x, bits), bits);
        out[x] = NativeFromRgb(lutR_[RedOf(c)], lutG_[GreenOf(c)], lutB_[BlueOf(c)], 32);
      }
    }
    SDL_BlitSurface(scratch_, &source, window, &target);
  } else {
    SDL_BlitSurface(frame, &source, window, &target);
  }
  rects_.push_back({0, top, width, rows});
}

void SdlPresenter::Present(SDL_Surface* frame, SDL_Surface* shown) {
  SDL_Window* window = SDL_GetWindowFromID(windowId_);
  if (!window || !frame || !shown) return;
  SDL_Surface* windowSurface = SDL_GetWindowSurface(window);
  if (!windowSurface) return;
  bool full = forceFull_.exchange(false) || windowSurface != lastWindowSurface_ || windowSurface->w != lastW_ ||
              windowSurface->h != lastH_;
  if (full && (windowSurface->w > frame->w || windowSurface->h > frame->h)) SDL_FillRect(windowSurface, nullptr, 0);
  if (softwareRamp_ && (!scratch_ || scratch_->w != frame->w || scratch_->h != frame->h)) {
    if (scratch_) SDL_FreeSurface(scratch_);
    scratch_ = SDL_CreateRGBSurfaceWithFormat(0, frame->w, frame->h, 24, SDL_PIXELFORMAT_RGB888);
    full = true;
  }
  lastWindowSurface_ = windowSurface;
  lastW_ = windowSurface->w;
  lastH_ = windowSurface->h;

  const int width = std::min(frame->w, windowSurface->w);
  const int height = std::min(frame->h, windowSurface->h);
  const size_t rowBytes = static_cast<size_t>(frame->w) * frame->format->BytesPerPixel;
  auto frameRow = [&](int y) { return static_cast<uint8_t*>(frame->pixels) + static_cast<size_t>(y) * frame->pitch; };
  auto shownRow = [&](int y) { return static_cast<uint8_t*>(shown->pixels) + static_cast<size_t>(y) * shown->pitch; };
  auto changed = [&](int y) { return full || std::memcmp(frameRow(y), shownRow(y), rowBytes) != 0; };

  rects_.clear();
  for (int y = 0; y < frame->h;) {
    if (!changed(y)) {
      ++y;
      continue;
    }
    const int top = y;
    while (y < frame->h && changed(y)) {
      std::memcpy(shownRow(y), frameRow(y), rowBytes);
      ++y;
    }
    const int bottom = std::min(y, height);
    if (bottom > top && width > 0) SendBand(frame, windowSurface, top, bottom - top, width);
  }
  if (!rects_.empty()) SDL_UpdateWindowSurfaceRects(window, rects_.data(), static_cast<int>(rects_.size()));
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
