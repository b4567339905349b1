#include "platform/wayland/frame_buffers.h"

#include <algorithm>
#include <cstring>

#include "platform/ramp_tables.h"

namespace velmo {

FrameBuffers::~FrameBuffers() {
  for (Buffer& b : buffers_) Free(b);
}

void FrameBuffers::Present(const FramePixels& frame, const ChangedArea& changed) {
  frame_ = frame;
  sinceCommit_.Add(changed);
  for (Buffer& b : buffers_) b.missed.Add(changed);
}

void FrameBuffers::ForceWhole() {
  sinceCommit_.whole = true;
  for (Buffer& b : buffers_) b.missed.whole = true;
}

void FrameBuffers::SetRamp(const DDGAMMARAMP* ramp) {
  const bool identity = FillRampTables(ramp, lutR_, lutG_, lutB_);
  if (ramp_ || !identity) ForceWhole();
  ramp_ = !identity;
}

const FrameBuffers::Buffer* FrameBuffers::Commit(ChangedArea& damage) {
  waitsForBuffer_ = false;
  if (!Pending() || failed_) return nullptr;
  Buffer* b = FreeOfSize(frame_.width, frame_.height);
  if (!b) {
    waitsForBuffer_ = !failed_;
    return nullptr;
  }
  if (b->missed.whole) {
    CopyInto(*b, PixelRect{0, 0, frame_.width, frame_.height});
  } else {
    for (int i = 0; i < b->missed.count; ++i) CopyInto(*b, b->missed.rects[i]);
  }
  b->missed.Clear();
  b->busy = true;
  damage = sinceCommit_;
  sinceCommit_.Clear();
  // The others of another size will not be shown again.
  for (Buffer& other : buffers_)
    if (!other.busy && other.handle && (other.width != frame_.width || other.height != frame_.height)) Free(other);
  return b;
}

bool FrameBuffers::Released(void* handle) {
  for (Buffer& b : buffers_) {
    if (!handle || b.handle != handle) continue;
    b.busy = false;
    if (b.width != frame_.width || b.height != frame_.height) Free(b);
    return true;
  }
  return false;
}

int FrameBuffers::Allocated() const {
  return static_cast<int>(std::count_if(buffers_.begin(), buffers_.end(), [](const Buffer& b) { return b.handle; }));
}

FrameBuffers::Buffer* FrameBuffers::FreeOfSize(int width, int height) {
  for (Buffer& b : buffers_)
    if (!b.busy && b.handle && b.width == width && b.height == height) return &b;
  for (Buffer& b : buffers_) {
    if (b.busy) continue;
    Free(b);
    if (!Make(b, width, height)) {
      failed_ = true;
      return nullptr;
    }
    return &b;
  }
  return nullptr;
}

bool FrameBuffers::Make(Buffer& b, int width, int height) {
  const int stride = width * 4;
  uint8_t* pixels = nullptr;
  void* handle = memory_.MakeBuffer(width, height, stride, &pixels);
  if (!handle) return false;
  b.handle = handle;
  b.pixels = pixels;
  b.bytes = static_cast<size_t>(stride) * height;
  b.width = width;
  b.height = height;
  b.stride = stride;
  b.busy = false;
  b.missed = ChangedArea{};  // whole
  return true;
}

void FrameBuffers::Free(Buffer& b) {
  if (b.handle) memory_.FreeBuffer(b.handle, b.pixels, b.bytes);
  b = Buffer{};
}

void FrameBuffers::CopyInto(Buffer& b, const PixelRect& area) {
  const int x0 = std::max(area.x, 0), y0 = std::max(area.y, 0);
  const int x1 = std::min({area.x + area.w, frame_.width, b.width});
  const int y1 = std::min({area.y + area.h, frame_.height, b.height});
  if (x1 <= x0 || y1 <= y0) return;
  for (int y = y0; y < y1; ++y) {
    auto* to = reinterpret_cast<uint32_t*>(b.pixels + static_cast<size_t>(y) * b.stride) + x0;
    const uint8_t* row = frame_.pixels + static_cast<size_t>(y) * frame_.pitch;
    const int n = x1 - x0;
    if (frame_.bits == 16) {
      // RGB565 widened as SDL widens it: the top bits repeated below.
      const auto* from = reinterpret_cast<const uint16_t*>(row) + x0;
      for (int x = 0; x < n; ++x) {
        const uint32_t p = from[x], r = (p >> 11) & 31, g = (p >> 5) & 63, bl = p & 31;
        to[x] = ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (bl << 3 | bl >> 2);
      }
    } else {
      std::memcpy(to, reinterpret_cast<const uint32_t*>(row) + x0, static_cast<size_t>(n) * 4);
    }
    if (!ramp_) continue;
    for (int x = 0; x < n; ++x) {
      const uint32_t p = to[x];
      to[x] = (uint32_t{lutR_[(p >> 16) & 0xFF]} << 16) | (uint32_t{lutG_[(p >> 8) & 0xFF]} << 8) | lutB_[p & 0xFF];
    }
  }
}

}  // namespace velmo
