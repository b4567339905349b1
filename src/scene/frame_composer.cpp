#include "scene/frame_composer.h"

#include <algorithm>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/ddmain.h"
#include "components/dxclock.h"
#include "platform/shown_signal.h"
#include "scene/form1.h"

namespace velmo {
namespace {

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

Rect Union(const Rect& a, const Rect& b) {
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

}  // namespace

void TFrameComposer::DisplayOpened() {
  // A new back buffer holds nothing yet: the next frame is composed whole.
  haveShown_ = false;
  partialRedraw_ = scene_.DDmain1->ClipBackSurface(nullptr);
}

void TFrameComposer::ComposeAndFlip(bool whole) {
  const TShownState now = ReadShownState();
  // What is drawn at all changed (a test switching a layer off): all of it again.
  const bool sameLayers = haveShown_ && now.birdCount == shown_.birdCount && now.clockOn == shown_.clockOn &&
                          now.fpsOn == shown_.fpsOn;
  if (partialRedraw_ && sameLayers && !whole) ComposeChanged(now);
  else ComposeWhole(now);
  if (!scene_.FRunning) return;  // an error handler ended the saver
  shown_ = now;
  haveShown_ = true;
  scene_.DDmain1->FlipSurfaces();
  if (scene_.FRunning) SignalShown();
  if (partialRedraw_ && scene_.FRunning) scene_.DDmain1->ClipBackSurface(nullptr);
}

TFrameComposer::TShownBird TFrameComposer::ShownBird(const TBirdState& b) {
  return TShownBird{b.X.load(std::memory_order_relaxed), b.Y.load(std::memory_order_relaxed),
                    b.Frame.load(std::memory_order_relaxed), b.Small.load(std::memory_order_relaxed)};
}

TFrameComposer::TShownState TFrameComposer::ReadShownState() const {
  const TSaverSettings& settings = scene_.Settings;
  TShownState state;
  state.birdCount = settings.NumBirds;
  state.clockOn = settings.flag_clock;
  state.fpsOn = settings.flag_fps;
  state.sea = scene_.FSeaFrame.load(std::memory_order_relaxed);
  for (int i = 0; i < settings.NumBirds; ++i) state.birds[i] = ShownBird(scene_.FBirds[i]);
  if (settings.flag_clock) {
    const ClockTime t = scene_.DXClock1->CurrentTime();
    state.clockSecond = (t.hour * 60 + t.minute) * 60 + t.second;
    state.clock = scene_.DXClock1->Bounds();
    state.clockColour = scene_.DXClock1->GetColor();
  }
  return state;
}

void TFrameComposer::ComposeWhole(const TShownState& now) {
  DrawLayers(now);
  if (!scene_.FRunning) return;
  if (scene_.Settings.flag_clock) scene_.DXClock1->ShowClock();
}

void TFrameComposer::ComposeChanged(const TShownState& now) {
  const TSaverSettings& settings = scene_.Settings;
  TDDmain& display = *scene_.DDmain1;
  dirtyCount_ = 0;
  if (now.sea != shown_.sea) {
    const int32_t top = scene_.DDani1sea->GetShowY();
    AddDirty(Rect{0, top, settings.ResHor, top + scene_.DDani1sea->GetStretchHeight()});
  }
  for (int i = 0; i < settings.NumBirds; ++i) {
    if (!(now.birds[i] == shown_.birds[i])) AddDirty(Union(BirdBox(shown_.birds[i]), BirdBox(now.birds[i])));
  }
  const bool clockChanged = now.clockSecond != shown_.clockSecond || !(now.clock == shown_.clock) ||
                            now.clockColour != shown_.clockColour;
  if (settings.flag_clock && clockChanged) AddDirty(Union(shown_.clock, now.clock));
  // The text is drawn at every flip: always over a freshly drawn background.
  if (settings.flag_fps) AddDirty(display.FpsTextBox());
  // The clock is drawn whole over whatever was redrawn under any part of it.
  bool drawClock = false;
  for (int i = 0; i < dirtyCount_ && settings.flag_clock; ++i) {
    if (!Overlap(dirty_[i], now.clock)) continue;
    dirty_[i] = Union(dirty_[i], now.clock);
    drawClock = true;
  }
  for (int i = 0; i < dirtyCount_; ++i) {
    display.ClipBackSurface(&dirty_[i]);
    DrawLayers(now);
    if (!scene_.FRunning) return;
  }
  if (drawClock) {
    display.ClipBackSurface(&now.clock);
    scene_.DXClock1->ShowClock();
  }
  // What the flip's frame-rate text draws counts as a change of its box only.
  if (settings.flag_fps) {
    const Rect fps = display.FpsTextBox();
    display.ClipBackSurface(&fps);
  }
}

void TFrameComposer::AddDirty(const Rect& r) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  if (dirtyCount_ == static_cast<int>(dirty_.size())) {
    dirty_[dirtyCount_ - 1] = Union(dirty_[dirtyCount_ - 1], r);
    return;
  }
  dirty_[dirtyCount_++] = r;
}

void TFrameComposer::DrawLayers(const TShownState& now) {
  scene_.DDmain1->ClearBackSurface();
  if (!scene_.FRunning) return;
  scene_.DDbmp1ground->DrawImage();
  scene_.DDani1sea->SetNumberFrame(now.sea);
  scene_.DDani1sea->DrawAni();
  scene_.DDbmp1stone->DrawImage();
  for (int i = 0; i < scene_.Settings.NumBirds && scene_.FRunning; ++i) DrawShownBird(now.birds[i]);
}

Rect TFrameComposer::BirdBox(const TShownBird& bird) const {
  const TDDani* sprite = bird.small == 0 ? scene_.DDani1bird : scene_.DDani1birds_small;
  if (!sprite) return Rect{};
  return Rect{bird.x, bird.y, bird.x + sprite->GetStretchWidth(), bird.y + sprite->GetStretchHeight()};
}

void TFrameComposer::DrawShownBird(const TShownBird& bird) {
  TDDani* sprite = bird.small == 0 ? scene_.DDani1bird : scene_.DDani1birds_small;
  if (!sprite) return;
  sprite->SetShowX(bird.x);
  sprite->SetShowY(bird.y);
  sprite->SetNumberFrame(bird.frame);
  sprite->DrawAni();
}

void TFrameComposer::DrawBird(const TBirdState& bird) { DrawShownBird(ShownBird(bird)); }

}  // namespace velmo
