#pragma once
// One surface's frames on their way to the compositor, apart from the
// protocol: up to three XRGB buffers, each remembering what it lacks of the
// latest frame, and the damage since the last commit. A commit fills a free
// buffer of the frame's size with only what that buffer lacks (through the
// brightness ramp) and names what changed since the last commit; with every
// buffer still held by the compositor it waits, and goes out when one is
// released. Buffers of a size no longer shown are freed as soon as the
// compositor lets go of them. Main thread; allocates only when a buffer of
// a new size is made.
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/changed_area.h"
#include "platform/display.h"
#include "platform/frame_sink.h"

namespace velmo {

// Where buffers come from: the window's shared memory (wl_shm), a test's
// plain memory.
class IBufferMemory {
 public:
  virtual ~IBufferMemory() = default;
  // A buffer of width x height 4-byte pixels, rows stride bytes apart;
  // returns its handle (null when the memory cannot be had, said on
  // standard error) and its pixels in *pixels.
  virtual void* MakeBuffer(int width, int height, int stride, uint8_t** pixels) = 0;
  virtual void FreeBuffer(void* handle, uint8_t* pixels, size_t bytes) = 0;
};

class FrameBuffers {
 public:
  static constexpr int kBuffers = 3;
  struct Buffer {
    void* handle = nullptr;
    uint8_t* pixels = nullptr;
    size_t bytes = 0;
    int width = 0, height = 0, stride = 0;
    bool busy = false;   // the compositor still reads it
    ChangedArea missed;  // what it lacks of the latest frame (all of it, new)
  };

  explicit FrameBuffers(IBufferMemory& memory) : memory_(memory) {}
  ~FrameBuffers();
  FrameBuffers(const FrameBuffers&) = delete;
  FrameBuffers& operator=(const FrameBuffers&) = delete;

  // The frame to show from now on and what changed in it; its pixels are
  // read at the next commit (until Forget).
  void Present(const FramePixels& frame, const ChangedArea& changed);
  void Forget() { frame_ = FramePixels{}; }
  // The next commit sends the whole frame, and damages all of it.
  void ForceWhole();
  // The brightness ramp; null or the identity: none. A change sends the whole frame.
  void SetRamp(const DDGAMMARAMP* ramp);

  // Something to commit: a frame, and a change since the last commit.
  bool Pending() const { return frame_.pixels && !sinceCommit_.Empty(); }
  // Fills a free buffer for the next commit: the buffer (marked busy) and
  // the damage (whole, or the rectangles changed since the last commit).
  // Null when nothing is pending, when every buffer is held (WaitsForBuffer)
  // or when no memory could be had (Failed).
  const Buffer* Commit(ChangedArea& damage);
  bool WaitsForBuffer() const { return waitsForBuffer_; }
  bool Failed() const { return failed_; }
  // The compositor let go of the buffer of that handle; false when it is
  // none of these. One of a size no longer shown is freed.
  bool Released(void* handle);
  // Buffers held now (allocated), for the tests' count.
  int Allocated() const;

 private:
  Buffer* FreeOfSize(int width, int height);
  bool Make(Buffer& b, int width, int height);
  void Free(Buffer& b);
  void CopyInto(Buffer& b, const PixelRect& area);

  IBufferMemory& memory_;
  std::array<Buffer, kBuffers> buffers_{};
  FramePixels frame_;
  ChangedArea sinceCommit_;  // damage for the compositor
  bool waitsForBuffer_ = false;
  bool failed_ = false;
  bool ramp_ = false;
  std::array<uint8_t, 256> lutR_{}, lutG_{}, lutB_{};
};

}  // namespace velmo
