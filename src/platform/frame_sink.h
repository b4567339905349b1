#pragma once
// A window that takes finished frames itself rather than through SDL (the
// Wayland presenter's surfaces): a display object hands it a plain view of
// the back buffer, what changed in it and the brightness ramp. Windows
// enter themselves under an id for their life, so a display object that
// outlives its window finds nothing rather than a dangling pointer. Main
// thread only.
#include <cstdint>

#include "platform/changed_area.h"
#include "platform/display.h"

namespace velmo {

// A frame's pixels as the display's surfaces keep them: 16 bits RGB565,
// 24 and 32 bits XRGB words (24 with 24 significant bits). Owned by the
// display object; valid until it says otherwise (IFrameSink::ForgetFrame).
struct FramePixels {
  const uint8_t* pixels = nullptr;
  int width = 0, height = 0;
  int pitch = 0;  // bytes from one row to the next
  int bits = 32;
};

class IFrameSink {
 public:
  virtual ~IFrameSink() = default;
  // Whether frames of width x height can be shown (scaled to the output
  // where they are not its size); false refuses the mode.
  virtual bool AcceptsFrames(int width, int height) const = 0;
  // Shows what changed in frame, or, while the window system has not asked
  // for a new frame, keeps the change and shows it from frame's pixels when
  // asked (until ForgetFrame). Costs a copy of the changed parts; never
  // blocks; allocates only for the first frame of a size (its buffers).
  // False when the window cannot show anything (said on standard error).
  virtual bool PresentFrame(const FramePixels& frame, const ChangedArea& changed) = 0;
  // The next present sends the whole frame.
  virtual void ForceFullFrame() = 0;
  // The brightness ramp applied to what is shown; null or the identity = none.
  virtual void SetFrameRamp(const DDGAMMARAMP* ramp) = 0;
  // The frame's pixels go away: a change still waiting to be shown is not
  // read from them any more.
  virtual void ForgetFrame() = 0;
};

// Enters a sink for its life; returns its id (never 0).
uint32_t EnterFrameSink(IFrameSink* sink);
void LeaveFrameSink(uint32_t id);
// The sink of that id, or null when it has gone.
IFrameSink* FrameSinkOf(uint32_t id);
// The id of a sink, or 0.
uint32_t FrameSinkId(const IFrameSink* sink);

}  // namespace velmo
