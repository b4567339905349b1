#pragma once
// Hands finished frames to the window: only the bands of rows that differ
// from the frame shown last go through the native framebuffer, through the
// brightness ramp, and the flip then waits for the next refresh on a steady
// clock (no busy waiting). The desktop's own gamma is never touched.
#include <SDL.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/display.h"

namespace velmo {

class SdlPresenter {
 public:
  SdlPresenter() = default;
  ~SdlPresenter();
  SdlPresenter(const SdlPresenter&) = delete;
  SdlPresenter& operator=(const SdlPresenter&) = delete;

  void Attach(uint32_t windowId, int refreshHz, int height);
  // Copies the changed rows of frame into shown (same size and format) and
  // into the window. With nothing changed the window gets nothing.
  void Present(SDL_Surface* frame, SDL_Surface* shown);
  void WaitForVerticalBlank();
  // The next present sends the whole frame (new window surface, restore).
  // Also called from the event watch when the window system lost the picture.
  void ForceFull() { forceFull_ = true; }
  // The brightness ramp, applied to every presented pixel through a 3 x 256
  // lookup while the changed rows are converted; null or the identity = none.
  // A change of ramp sends the whole frame once, not every frame after it.
  void SetRamp(const DDGAMMARAMP* ramp);

 private:
  void SendBand(SDL_Surface* frame, SDL_Surface* window, int top, int rows, int width);

  uint32_t windowId_ = 0;
  std::chrono::steady_clock::duration period_ = std::chrono::microseconds(16667);
  std::chrono::steady_clock::time_point next_{};
  SDL_Surface* lastWindowSurface_ = nullptr;
  int lastW_ = 0, lastH_ = 0;
  std::atomic<bool> forceFull_{true};
  std::vector<SDL_Rect> rects_;
  bool softwareRamp_ = false;
  std::array<uint8_t, 256> lutR_{}, lutG_{}, lutB_{};
  SDL_Surface* scratch_ = nullptr;  // one frame in XRGB, for the software ramp
};

}  // namespace velmo
