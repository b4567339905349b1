#pragma once
// A window that takes finished frames itself instead of through SDL (the
// Wayland presenter's surfaces): the display device hands it the back
// buffer's changed parts and the brightness ramp. Windows enter themselves
// under an id for their life, so a display object that outlives its window
// finds nothing rather than a dangling pointer. Main thread only.
#include <SDL.h>

#include <cstdint>

#include "platform/display.h"
#include "platform/sdl/sdl_presenter.h"

namespace velmo {

class IFrameSink {
 public:
  virtual ~IFrameSink() = default;
  // Whether frames of width x height can be shown (scaled to the output
  // where they are not its size); false refuses the mode.
  virtual bool AcceptsFrames(int width, int height) const = 0;
  // Shows what changed in frame (owned by the caller), or, while the window
  // system has not asked for a new frame, keeps the change and shows it from
  // frame when asked (until ForgetFrame). Costs a copy of the changed parts; never blocks; allocates only
  // for the first frame of a size (its buffers). False when the window
  // cannot show anything (said on standard error).
  virtual bool PresentFrame(SDL_Surface* frame, const ChangedArea& changed) = 0;
  // The next present sends the whole frame.
  virtual void ForceFullFrame() = 0;
  // The brightness ramp applied to what is shown; null or the identity = none.
  virtual void SetFrameRamp(const DDGAMMARAMP* ramp) = 0;
  // The frame (null: any) goes away: a change still waiting to be shown is
  // not read from it any more.
  virtual void ForgetFrame(const SDL_Surface* frame) = 0;
};

// Enters a sink for its life; returns its id (never 0).
uint32_t EnterFrameSink(IFrameSink* sink);
void LeaveFrameSink(uint32_t id);
// The sink of that id, or null when it has gone.
IFrameSink* FrameSinkOf(uint32_t id);
// The id of a sink, or 0.
uint32_t FrameSinkId(const IFrameSink* sink);

}  // namespace velmo
