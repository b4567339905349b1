// The frame path allocates nothing: after a few warm-up frames, composing
// and presenting a hundred frames of the real scene on the real SDL display
// layer calls operator new not once. The global operator new of this test
// binary counts the calls made on a thread while that thread asks for it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "pixel/scene_rig.h"
#include "platform/fake/fake_timer.h"

namespace {
thread_local bool tCounting = false;
thread_local long tNews = 0;

void* Allocate(std::size_t size) {
  if (tCounting) ++tNews;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* AllocateAligned(std::size_t size, std::align_val_t align) {
  if (tCounting) ++tNews;
  const auto a = static_cast<std::size_t>(align);
  if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void* operator new(std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace velmo {
namespace {

TEST(SceneFrameAllocation, ComposingAndPresentingFramesCallsNoOperatorNew) {
  FakeTimerService timer;
  SceneOptions options;  // 1024 x 768 x 32: the offscreen driver's own mode
  SceneRig rig(timer, options);
  ASSERT_TRUE(rig.Start()) << rig.Refusal();
  for (int i = 0; i < 5; ++i) rig.Compose();

  tNews = 0;
  tCounting = true;
  for (int i = 0; i < 100; ++i) {
    rig.form->FSeaFrame.store(i % 32);  // as the tick moves it: new rows every frame
    rig.form->DDtimer1Timer(nullptr);
    rig.Compose();
  }
  tCounting = false;
  EXPECT_EQ(tNews, 0);
  EXPECT_TRUE(rig.form->FRunning);

  // The counter does count: one allocation on this thread is seen.
  tCounting = true;
  int* volatile seen = new int(1);  // volatile: the pair cannot be elided
  tCounting = false;
  delete seen;
  EXPECT_EQ(tNews, 1);
}

}  // namespace
}  // namespace velmo
