// A Wayland surface's frames without a compositor: what each buffer is sent,
// when a commit waits for a buffer and goes, and which buffers are freed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/wayland/frame_buffers.h"

namespace velmo {
namespace {

// Plain memory in place of shared memory; counts what is held.
class PlainMemory : public IBufferMemory {
 public:
  void* MakeBuffer(int width, int height, int stride, uint8_t** pixels) override {
    *pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(stride) * height, 1));
    ++made;
    (void)width;
    return *pixels;
  }
  void FreeBuffer(void*, uint8_t* pixels, size_t) override {
    std::free(pixels);
    ++freed;
  }
  int made = 0, freed = 0;
};

// A 32-bit frame of w x h whose every pixel is colour.
struct Frame {
  Frame(int w, int h, uint32_t colour) : w(w), h(h), pixels(static_cast<size_t>(w) * h, colour) {}
  FramePixels View() const { return FramePixels{reinterpret_cast<const uint8_t*>(pixels.data()), w, h, w * 4, 32}; }
  void Paint(const PixelRect& r, uint32_t colour) {
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x) pixels[static_cast<size_t>(y) * w + x] = colour;
  }
  int w, h;
  std::vector<uint32_t> pixels;
};

ChangedArea Rects(std::initializer_list<PixelRect> rects) {
  ChangedArea area;
  area.Clear();
  for (const PixelRect& r : rects) area.Add(r);
  return area;
}

bool Shows(const FrameBuffers::Buffer& b, const Frame& f) {
  for (int y = 0; y < f.h; ++y)
    if (std::memcmp(b.pixels + static_cast<size_t>(y) * b.stride, &f.pixels[static_cast<size_t>(y) * f.w], f.w * 4))
      return false;
  return true;
}

TEST(FrameBuffers, EveryBufferCommittedHoldsTheWholeLatestFrame) {
  PlainMemory memory;
  FrameBuffers buffers(memory);
  Frame frame(64, 48, 0x102030);
  buffers.Present(frame.View(), ChangedArea{});
  ChangedArea damage;
  const FrameBuffers::Buffer* first = buffers.Commit(damage);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(damage.whole);
  EXPECT_TRUE(Shows(*first, frame));
  // Each later frame changes a small part; the compositor keeps the first
  // buffer while later ones go. A buffer used again lacks everything that
  // changed since it was last sent, not only the last change.
  const PixelRect parts[] = {{0, 0, 8, 8}, {10, 10, 4, 4}, {30, 20, 6, 6}, {50, 40, 5, 5}};
  uint32_t colour = 0x405060;
  std::vector<const FrameBuffers::Buffer*> sent{first};
  for (const PixelRect& part : parts) {
    frame.Paint(part, colour += 0x010101);
    buffers.Present(frame.View(), Rects({part}));
    if (sent.size() == 3) buffers.Released(sent.front()->handle), sent.erase(sent.begin());
    const FrameBuffers::Buffer* b = buffers.Commit(damage);
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(damage.whole);
    ASSERT_EQ(damage.count, 1);
    EXPECT_EQ(damage.rects[0].x, part.x);
    EXPECT_TRUE(Shows(*b, frame)) << "after the part at " << part.x << "," << part.y;
    sent.push_back(b);
  }
  EXPECT_EQ(memory.made, 3);
}

TEST(FrameBuffers, ACommitWaitingForABufferGoesWhenOneIsReleased) {
  PlainMemory memory;
  FrameBuffers buffers(memory);
  Frame frame(32, 32, 0);
  ChangedArea damage;
  std::vector<const FrameBuffers::Buffer*> held;
  for (int i = 0; i < FrameBuffers::kBuffers; ++i) {
    frame.Paint({i, 0, 1, 1}, 0xFFFFFF);
    buffers.Present(frame.View(), Rects({{i, 0, 1, 1}}));
    held.push_back(buffers.Commit(damage));
    ASSERT_NE(held.back(), nullptr);
  }
  // All three in the compositor's hands: the change waits, named as waiting.
  frame.Paint({5, 5, 2, 2}, 0xFF0000);
  buffers.Present(frame.View(), Rects({{5, 5, 2, 2}}));
  EXPECT_EQ(buffers.Commit(damage), nullptr);
  EXPECT_TRUE(buffers.WaitsForBuffer());
  EXPECT_TRUE(buffers.Pending());
  // A release frees one, and the waiting change goes from it.
  EXPECT_TRUE(buffers.Released(held[1]->handle));
  EXPECT_FALSE(buffers.Released(&memory));  // none of ours
  const FrameBuffers::Buffer* b = buffers.Commit(damage);
  ASSERT_EQ(b, held[1]);
  EXPECT_TRUE(Shows(*b, frame));
  EXPECT_FALSE(buffers.Pending());
}

TEST(FrameBuffers, BuffersOfASizeNoLongerShownAreFreed) {
  PlainMemory memory;
  FrameBuffers buffers(memory);
  Frame large(64, 64, 1), small(32, 16, 2);
  ChangedArea damage;
  std::vector<const FrameBuffers::Buffer*> held;
  for (int i = 0; i < 3; ++i) {
    buffers.Present(large.View(), ChangedArea{});
    held.push_back(buffers.Commit(damage));
    if (i < 2) buffers.Released(held.back()->handle);
  }
  EXPECT_EQ(buffers.Allocated(), 1);  // one size, one buffer at a time needed: one kept
  buffers.Released(held.back()->handle);
  buffers.Present(large.View(), ChangedArea{});
  const FrameBuffers::Buffer* stillHeld = buffers.Commit(damage);
  // The frame changes size: the free large buffers go at once, the one the
  // compositor holds when it lets go of it.
  buffers.Present(small.View(), ChangedArea{});
  const FrameBuffers::Buffer* b = buffers.Commit(damage);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->width, 32);
  EXPECT_TRUE(Shows(*b, small));
  EXPECT_EQ(buffers.Allocated(), 2);
  buffers.Released(stillHeld->handle);
  EXPECT_EQ(buffers.Allocated(), 1);
  EXPECT_EQ(memory.made - memory.freed, 1);
}

TEST(FrameBuffers, SixteenBitFramesWidenedAndRamped) {
  PlainMemory memory;
  FrameBuffers buffers(memory);
  const uint16_t pixels[2] = {0xF800, 0x07FF};  // red; green and blue
  buffers.Present(FramePixels{reinterpret_cast<const uint8_t*>(pixels), 2, 1, 4, 16}, ChangedArea{});
  ChangedArea damage;
  const FrameBuffers::Buffer* b = buffers.Commit(damage);
  ASSERT_NE(b, nullptr);
  const auto* out = reinterpret_cast<const uint32_t*>(b->pixels);
  EXPECT_EQ(out[0] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(out[1] & 0xFFFFFF, 0x00FFFFu);
  // A ramp halving every channel: the whole frame goes again, through it.
  DDGAMMARAMP half;
  for (int i = 0; i < 256; ++i) half.red[i] = half.green[i] = half.blue[i] = static_cast<uint16_t>(i * 257 / 2);
  buffers.SetRamp(&half);
  buffers.Released(b->handle);
  b = buffers.Commit(damage);
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(damage.whole);
  out = reinterpret_cast<const uint32_t*>(b->pixels);
  EXPECT_EQ(out[0] & 0xFFFFFF, 0x7F0000u);
}

}  // namespace
}  // namespace velmo
