#include "platform/sdl/sdl_presenter.h"

#include "platform/sdl/frame_pacer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include <unistd.h>

#include "platform/pixel_format.h"
#include "platform/ramp_tables.h"

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

// Whether SDL's renderer should carry the frames: forced by VELMO_PRESENT,
// otherwise only where GL runs on real hardware. The probe needs a GL
// context, so it is made only where the system has a render node at all.
bool ProbeRenderer() {
  const char* forced = SDL_getenv("VELMO_PRESENT");
  if (forced && std::strcmp(forced, "renderer") == 0) return true;
  if (forced && std::strcmp(forced, "framebuffer") == 0) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0 || access("/dev/dri/renderD128", F_OK) != 0) return false;
  SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!probe) return false;
  bool hardware = false;
  if (SDL_GLContext context = SDL_GL_CreateContext(probe)) {
    using GetString = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const auto* name = getString ? reinterpret_cast<const char*>(getString(0x1F01 /* GL_RENDERER */)) : nullptr;
    hardware = name && !std::strstr(name, "llvmpipe") && !std::strstr(name, "softpipe") &&
               !std::strstr(name, "Software") && !std::strstr(name, "SWR");
    SDL_GL_DeleteContext(context);
  }
  SDL_DestroyWindow(probe);
  return hardware;
}

}  // namespace

bool SdlPresenter::RendererWanted() {
  static const bool wanted = ProbeRenderer();
  return wanted;
}

SdlPresenter::~SdlPresenter() {
  StopRenderer();
  if (scratch_) SDL_FreeSurface(scratch_);
}

void SdlPresenter::StopRenderer() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  texture_ = nullptr;
  renderer_ = nullptr;
}

bool SdlPresenter::StartRenderer(SDL_Window* window, SDL_Surface* frame) {
  renderer_ = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!renderer_) return false;
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(renderer_, &info);
  vsync_ = (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, frame->w, frame->h);
  if (!texture_) {
    StopRenderer();
    return false;
  }
  return true;
}

void SdlPresenter::Attach(uint32_t windowId, int refreshHz) {
  windowId_ = windowId;
  if (refreshHz <= 0) refreshHz = 60;
  period_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::seconds(1)) / refreshHz;
  forceFull_ = true;
}

bool SdlPresenter::EnsureScratch(const SDL_Surface* frame) {
  if (scratch_ && scratch_->w == frame->w && scratch_->h == frame->h) return true;
  if (scratch_) SDL_FreeSurface(scratch_);
  scratch_ = SDL_CreateRGBSurfaceWithFormat(0, frame->w, frame->h, 24, SDL_PIXELFORMAT_RGB888);
  return scratch_ != nullptr;
}

void SdlPresenter::SetRamp(const DDGAMMARAMP* ramp) {
  const bool identity = FillRampTables(ramp, lutR_, lutG_, lutB_);
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
  // The usual case: 32-bit words in and an XRGB window, converted in place.
  const bool direct = frame->format->BitsPerPixel != 16 && window->format->format == SDL_PIXELFORMAT_RGB888;
  if (direct) {
    if (SDL_MUSTLOCK(window)) SDL_LockSurface(window);
    Convert(frame, window, area);
    if (SDL_MUSTLOCK(window)) SDL_UnlockSurface(window);
  } else if (scratch_) {
    Convert(frame, scratch_, area);
    SDL_BlitSurface(scratch_, &source, window, &target);
  }
}

void SdlPresenter::Convert(SDL_Surface* frame, SDL_Surface* out, const SDL_Rect& area) {
  const uint32_t bits = frame->format->BitsPerPixel == 16 ? 16 : 32;
  if (!ramp_) {
    SDL_Rect source = area;
    SDL_Rect target = area;
    SDL_BlitSurface(frame, &source, out, &target);
    return;
  }
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
}

void SdlPresenter::PresentThroughRenderer(SDL_Surface* frame, const ChangedArea& changed, bool full) {
  const SDL_Rect bounds{0, 0, frame->w, frame->h};
  // 32-bit words without a ramp go up as they are; anything else is
  // converted into the XRGB scratch frame first.
  const bool asIs = !ramp_ && frame->format->BitsPerPixel != 16;
  if (!asIs && !EnsureScratch(frame)) return;
  auto upload = [&](const SDL_Rect& r) {
    SDL_Rect area;
    if (!SDL_IntersectRect(&r, &bounds, &area)) return;
    SDL_Surface* from = frame;
    if (!asIs) {
      Convert(frame, scratch_, area);
      from = scratch_;
    }
    const auto* pixels = static_cast<const uint8_t*>(from->pixels) + static_cast<size_t>(area.y) * from->pitch +
                         static_cast<size_t>(area.x) * 4;
    SDL_UpdateTexture(texture_, &area, pixels, from->pitch);
  };
  if (full) {
    upload(bounds);
  } else {
    for (int i = 0; i < changed.count; ++i) upload(ToSdl(changed.rects[i]));
  }
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, &bounds);
  SDL_RenderPresent(renderer_);
  NoteFramePresented(period_, vsync_);
}

SDL_Surface* SdlPresenter::ShareableImage(const SDL_Surface* frame) {
  SDL_Window* window = SDL_GetWindowFromID(windowId_);
  if (!window || !frame || ramp_ || renderer_) return nullptr;
  // Only a window made for GL could take the renderer path.
  if (!pathChosen_ && (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) && RendererWanted()) return nullptr;
  SDL_Surface* image = SDL_GetWindowSurface(window);
  const uint32_t format = frame->format->format;
  if (!image || image->w != frame->w || image->h != frame->h || image->pitch != frame->pitch ||
      image->format->format != format || SDL_MUSTLOCK(image))
    return nullptr;
  return image;
}

bool SdlPresenter::Present(SDL_Surface* frame, const ChangedArea& changed) {
  SDL_Window* window = SDL_GetWindowFromID(windowId_);
  if (!window || !frame) return true;  // nothing to show it in
  if (!pathChosen_) {
    pathChosen_ = true;
    // Only a window made for GL: SDL would make a new X window for any other.
    const bool madeForGl = (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) != 0;
    if (madeForGl && RendererWanted() && !StartRenderer(window, frame))
      std::fprintf(stderr, "velmo: no renderer (%s); the framebuffer shows the frames\n", SDL_GetError());
  }
  if (renderer_) {
    PresentThroughRenderer(frame, changed, forceFull_.exchange(false) || changed.whole);
    return true;
  }
  SDL_Surface* windowSurface = SDL_GetWindowSurface(window);
  if (!windowSurface) return false;
  // A frame drawn straight into the window's image is only sent.
  const bool inPlace = frame->pixels == windowSurface->pixels;
  bool full = forceFull_.exchange(false) || changed.whole || windowSurface != lastWindowSurface_ ||
              windowSurface->w != lastW_ || windowSurface->h != lastH_;
  if (full && !inPlace && (windowSurface->w > frame->w || windowSurface->h > frame->h))
    SDL_FillRect(windowSurface, nullptr, 0);
  const bool needScratch = ramp_ && !inPlace &&
                           !(frame->format->BitsPerPixel != 16 && windowSurface->format->format == SDL_PIXELFORMAT_RGB888);
  if (needScratch) EnsureScratch(frame);
  lastWindowSurface_ = windowSurface;
  lastW_ = windowSurface->w;
  lastH_ = windowSurface->h;

  const SDL_Rect bounds{0, 0, std::min(frame->w, windowSurface->w), std::min(frame->h, windowSurface->h)};
  int sent = 0;
  auto send = [&](const SDL_Rect& r) {
    SDL_Rect area;
    if (!SDL_IntersectRect(&r, &bounds, &area)) return;
    if (!inPlace) Send(frame, windowSurface, area);
    sent_[sent++] = area;
  };
  if (full) {
    send(bounds);
  } else {
    for (int i = 0; i < changed.count; ++i) send(ToSdl(changed.rects[i]));
  }
  if (sent > 0) SDL_UpdateWindowSurfaceRects(window, sent_.data(), sent);
  NoteFramePresented(period_, false);
  return true;
}


}  // namespace velmo
