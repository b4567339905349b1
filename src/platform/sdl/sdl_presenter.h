#pragma once
// Hands finished frames to the window: only the rectangles that drawing
// changed since the last present go out, through the brightness ramp. Two
// paths: where a hardware renderer exists, a streaming texture gets the
// changed rectangles and is shown with vsync (tear-free); otherwise the
// native framebuffer gets them. Either way a present reports itself to the
// frame pacer (frame_pacer.h), and the loop waits for the next refresh. VELMO_PRESENT=renderer or =framebuffer
// forces one. The desktop's own gamma is never touched.
#include <SDL.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>

#include "platform/changed_area.h"
#include "platform/display.h"

namespace velmo {

inline SDL_Rect ToSdl(const PixelRect& r) { return SDL_Rect{r.x, r.y, r.w, r.h}; }

class SdlPresenter {
 public:
  SdlPresenter() = default;
  ~SdlPresenter();
  SdlPresenter(const SdlPresenter&) = delete;
  SdlPresenter& operator=(const SdlPresenter&) = delete;

  // Whether frames go through a renderer on this machine (forced, or GL on
  // real hardware); decided once. Windows meant for it are made with
  // SDL_WINDOW_OPENGL, since SDL would replace any other window's X window.
  static bool RendererWanted();

  // Everything but ForceFull is for the main thread, the one SDL's video
  // runs on. The presenter owns what it makes (renderer, texture, scratch
  // frame); the frame and the window stay their owners'.
  void Attach(uint32_t windowId, int refreshHz);
  // Sends the changed parts of frame to the window; costs in proportion to
  // what changed, nothing when nothing did. A frame drawn in the window's own
  // image (ShareableImage) is sent without a copy. The first present makes the
  // renderer and its texture (where frames go through one) and the scratch
  // frame (where the ramp needs it), and a frame of a new size makes a new
  // scratch frame; any other present allocates nothing. Through a renderer
  // with vsync it blocks until the refresh; otherwise it does not block.
  // True when shown, and when there is no window or frame (nothing to show
  // it in: the window went away, which its own event reports); false when
  // the window has no surface to draw into (SDL_GetError says why).
  bool Present(SDL_Surface* frame, const ChangedArea& changed);
  // The window's own image (SDL's window surface: on X11 the shared-memory
  // image the server is sent) when frames of frame's size, pixel format and
  // row length may be drawn straight into it: the framebuffer path and no
  // ramp. Null otherwise. The image stays SDL's; SDL frees it when the
  // window changes size (reported first as SDL_WINDOWEVENT_SIZE_CHANGED) and
  // the next call makes a new one. Main thread; allocates only then.
  SDL_Surface* ShareableImage(const SDL_Surface* frame);
  // Whether a ramp other than the identity is applied.
  bool Ramped() const { return ramp_; }
  // The next present sends the whole frame (new window surface, restore).
  // Any thread: also called from the event watch when the window system
  // lost the picture.
  void ForceFull() { forceFull_ = true; }
  // The brightness ramp, applied to every presented pixel through a 3 x 256
  // lookup while the changed parts are converted; null or the identity = none.
  // A change of ramp sends the whole frame once, not every frame after it.
  void SetRamp(const DDGAMMARAMP* ramp);

 private:
  void Send(SDL_Surface* frame, SDL_Surface* window, const SDL_Rect& area);
  // The ramp (or the conversion to XRGB) of an area into out, at the same place.
  void Convert(SDL_Surface* frame, SDL_Surface* out, const SDL_Rect& area);
  // The XRGB scratch frame at frame's size; false when it cannot be had.
  bool EnsureScratch(const SDL_Surface* frame);
  bool StartRenderer(SDL_Window* window, SDL_Surface* frame);
  void PresentThroughRenderer(SDL_Surface* frame, const ChangedArea& changed, bool full);
  void StopRenderer();

  uint32_t windowId_ = 0;
  std::chrono::steady_clock::duration period_ = std::chrono::microseconds(16667);
  SDL_Surface* lastWindowSurface_ = nullptr;
  int lastW_ = 0, lastH_ = 0;
  std::atomic<bool> forceFull_{true};
  std::array<SDL_Rect, ChangedArea::kMaxRects> sent_{};  // what a present hands the window
  bool ramp_ = false;
  std::array<uint8_t, 256> lutR_{}, lutG_{}, lutB_{};
  int factor_ = -1;  // the ramp is i x factor on every channel; -1: it is not
  SDL_Surface* scratch_ = nullptr;  // one frame in XRGB, for the ramp into other window formats
  bool pathChosen_ = false;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  bool vsync_ = false;  // the renderer's present waits for the refresh
};

}  // namespace velmo
