// Redrawing only what changed must show exactly what composing every frame
// whole shows: two scenes side by side, one redrawing the changed parts and
// one composing whole, through the same moves of sea, gulls and clock and a
// brightness ramp, compared on their windows after every frame. The one
// redrawing parts copies the sea band of a third scene of its size composed
// before it (another monitor's, with gulls and a clock of its own over the
// band) whenever that one shows the same sea frame.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

#include "components/ddgamma.h"
#include "components/dxclock.h"
#include "pixel/scene_rig.h"
#include "platform/fake/fake_timer.h"

namespace velmo {
namespace {

class SceneRedraw : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    SceneOptions options;
    options.bits = GetParam();
    leader = std::make_unique<SceneRig>(timer, options);
    changed = std::make_unique<SceneRig>(timer, options);
    whole = std::make_unique<SceneRig>(timer, options);
    if (!leader->Start() || !changed->Start() || !whole->Start())
      GTEST_SKIP() << "the display refused 1024x768: " << changed->Refusal();
    whole->form->FComposeWhole = true;
    lender[0] = leader->form->Composer();
    changed->form->ShareBandOf(lender, 1);
    // The other monitor's clock stands over the band.
    leader->form->DXClock1->SetXcenter(300);
    leader->form->DXClock1->SetYcenter(560);
    for (SceneRig* rig : {leader.get(), changed.get(), whole.get()}) {
      rig->form->DXClock1->SetClockSource([this] { return ClockTime{10, 8, second}; });
      TDDgamma& gamma = *rig->form->DDgamma1;
      gamma.SetEnabled(true);
      gamma.SetRGB(200);
      gamma.SetEnabled(false);
    }
  }

  // The same moves in both scenes: gulls jumping, turning small and large,
  // flying off the edges; the sea rolling; the clock ticking and moving.
  const TFrameComposer* lender[1] = {};

  void Move(int frame) {
    uint32_t seed = 0x9E3779B9u * static_cast<uint32_t>(frame + 1);
    auto next = [&seed](int range) {
      seed = seed * 1664525u + 1013904223u;
      return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
    };
    second = (frame / 7) % 60;
    // Now and then the other monitor shows another sea frame: nothing to copy.
    if (frame % 3 == 0 && frame % 21 != 0) leader->form->FSeaFrame.store(frame / 3 % 32);
    for (SceneRig* rig : {changed.get(), whole.get()}) {
      TForm1& form = *rig->form;
      if (frame % 3 == 0) form.FSeaFrame.store(frame / 3 % 32);
      // Once over the last column and row.
      if (frame % 25 == 24) form.DXClock1->SetXcenter(frame == 74 ? 1000 : 200 + 7 * frame % 700);
      if (frame % 25 == 24) form.DXClock1->SetYcenter(frame == 74 ? 600 : 100 + 3 * frame % 500);
    }
    for (int i = 0; i < 10; ++i) {
      if (next(4) != 0) continue;  // most gulls keep still in a frame
      const int x = next(1100) - 40, y = next(800) - 20, wing = next(8), small = next(2);
      for (SceneRig* rig : {changed.get(), whole.get()}) {
        TBirdState& bird = rig->form->FBirds[i];
        bird.X.store(x);
        bird.Y.store(y);
        bird.Frame.store(wing);
        bird.Small.store(small);
      }
      // The other monitor's gulls fly elsewhere.
      TBirdState& other = leader->form->FBirds[i];
      other.X.store(1000 - x);
      other.Y.store(y + 30);
      other.Frame.store(wing);
      other.Small.store(1 - small);
    }
  }

  static SDL_Surface* WindowPicture(SceneRig& rig) {
    return SDL_GetWindowSurface(static_cast<SDL_Window*>(rig.form->Window().NativeHandle()));
  }

  FakeTimerService timer;
  std::unique_ptr<SceneRig> leader, changed, whole;
  int second = 0;
};

TEST_P(SceneRedraw, EveryFrameEqualsTheWholeComposition) {
  for (int frame = 0; frame < 120; ++frame) {
    Move(frame);
    leader->Compose();
    changed->Compose();
    whole->Compose();
    const SDL_Surface* a = WindowPicture(*changed);
    const SDL_Surface* b = WindowPicture(*whole);
    ASSERT_TRUE(a && b);
    ASSERT_EQ(a->h, b->h);
    for (int y = 0; y < a->h; ++y) {
      const auto* rowA = static_cast<const uint8_t*>(a->pixels) + static_cast<size_t>(y) * a->pitch;
      const auto* rowB = static_cast<const uint8_t*>(b->pixels) + static_cast<size_t>(y) * b->pitch;
      ASSERT_EQ(std::memcmp(rowA, rowB, static_cast<size_t>(a->w) * a->format->BytesPerPixel), 0)
          << "frame " << frame << ", row " << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, SceneRedraw, ::testing::Values(16, 32),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "bit"; });

}  // namespace
}  // namespace velmo
