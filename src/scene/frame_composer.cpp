#include "scene/frame_composer.h"

#include <algorithm>
#include <optional>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/ddmain.h"
#include "components/dxclock.h"

namespace velmo {
namespace {

// Where a stretched sprite drawn whole lands: its box as the draw cuts it
// to the screen. With the
// source's first row and column drawn, for a sprite at its shown size.
struct TDrawnBox {
  Rect box;
  int32_t sourceLeft = 0, sourceTop = 0;
};
std::optional<TDrawnBox> DrawnPart(const TDDsprite& sprite, int32_t W, int32_t H) {
  if (!sprite.GetStretching()) return std::nullopt;
  const SrcRect whole{0, sprite.GetStretchWidth(), 0, sprite.GetStretchHeight()};
  const auto cut = ClipToScreen(sprite.GetShowX(), sprite.GetShowY(), whole, W, H);
  if (!cut) return std::nullopt;
  return TDrawnBox{Rect{cut->dx, cut->dy, cut->dx + (cut->source.right - cut->source.left),
                        cut->dy + (cut->source.bottom - cut->source.top)},
                   cut->source.left, cut->source.top};
}
std::optional<Rect> DrawnBox(const TDDsprite& sprite, int32_t W, int32_t H) {
  const auto part = DrawnPart(sprite, W, H);
  return part ? std::optional<Rect>(part->box) : std::nullopt;
}

}  // namespace

void TFrameComposer::DisplayOpened() {
  // A new back buffer holds nothing yet: the next frame is composed whole.
  haveShown_ = false;
  partialRedraw_ = parts_.DDmain1->ClipBackSurface(nullptr);
}

bool TFrameComposer::ComposeAndFlip(bool whole) {
  const TShownState now = ReadShownState();
  // What is drawn at all changed (a test switching a layer off): all of it again.
  const bool sameLayers = haveShown_ && now.birdCount == shown_.birdCount && now.clockOn == shown_.clockOn &&
                          now.fpsOn == shown_.fpsOn;
  bool fpsText = true;
  if (partialRedraw_ && sameLayers && !whole) {
    if (!ComposeChanged(now, fpsText)) return false;
  } else {
    ComposeWhole(now);
  }
  if (!running_) return false;  // an error handler ended the saver
  shown_ = now;
  haveShown_ = true;
  parts_.DDmain1->FlipSurfaces(fpsText);
  if (partialRedraw_ && running_) parts_.DDmain1->ClipBackSurface(nullptr);
  return true;
}

TFrameComposer::TShownBird TFrameComposer::ShownBird(const TBirdState& b) {
  return TShownBird{b.X.load(std::memory_order_relaxed), b.Y.load(std::memory_order_relaxed),
                    b.Frame.load(std::memory_order_relaxed), b.Small.load(std::memory_order_relaxed)};
}

TFrameComposer::TShownState TFrameComposer::ReadShownState() const {
  const TSaverSettings& settings = settings_;
  TShownState state;
  state.birdCount = settings.NumBirds;
  state.clockOn = settings.flag_clock;
  state.fpsOn = settings.flag_fps;
  state.sea = motion_.FSeaFrame.load(std::memory_order_relaxed);
  for (int i = 0; i < settings.NumBirds; ++i) state.birds[i] = ShownBird(motion_.FBirds[i]);
  if (settings.flag_clock) {
    const ClockTime t = parts_.DXClock1->CurrentTime();
    state.clockSecond = (t.hour * 60 + t.minute) * 60 + t.second;
    state.clock = parts_.DXClock1->Bounds();
    state.clockColour = parts_.DXClock1->GetColor();
  }
  return state;
}

void TFrameComposer::ComposeWhole(const TShownState& now) {
  DrawLayers(now);
  if (!running_) return;
  if (settings_.flag_clock) parts_.DXClock1->ShowClock();
}

bool TFrameComposer::ComposeChanged(const TShownState& now, bool& fpsText) {
  const TSaverSettings& settings = settings_;
  TDDmain& display = *parts_.DDmain1;
  dirtyCount_ = 0;
  bool copied = false;
  if (now.sea != shown_.sea) {
    const int32_t top = parts_.DDani1sea->GetShowY();
    const Rect band{0, top, settings.ResHor, top + parts_.DDani1sea->GetStretchHeight()};
    std::array<Rect, kMaxSeaParts> parts;
    const int count = SeaParts(band, parts);
    copied = CopyBand(now, band, parts.data(), count);
    for (int i = 0; i < count && !copied; ++i) AddDirty(parts[i]);
  }
  for (int i = 0; i < settings.NumBirds; ++i) {
    if (!(now.birds[i] == shown_.birds[i])) AddDirty(BirdBox(shown_.birds[i]).United(BirdBox(now.birds[i])));
  }
  const bool clockChanged = now.clockSecond != shown_.clockSecond || !(now.clock == shown_.clock) ||
                            now.clockColour != shown_.clockColour;
  if (settings.flag_clock && clockChanged) AddDirty(shown_.clock.United(now.clock));
  // The frame-rate text is drawn whole over a freshly drawn background, when
  // its number changes or anything under it is redrawn; a frame that shows
  // nothing new is neither drawn, sent nor counted.
  fpsText = false;
  if (settings.flag_fps) {
    if (dirtyCount_ > 0 || copied || display.FpsTextChanged()) display.CountShownFrame();
    const Rect fps = display.FpsTextBox();
    for (int i = 0; i < dirtyCount_ && !fpsText; ++i) {
      // A part that reaches the clock grows to it below.
      const bool reachesClock = settings.flag_clock && dirty_[i].Overlaps(now.clock);
      fpsText = (reachesClock ? dirty_[i].United(now.clock) : dirty_[i]).Overlaps(fps);
    }
    fpsText = fpsText || display.FpsTextChanged();
    if (fpsText) AddDirty(fps);
  }
  if (dirtyCount_ == 0 && !copied) return false;
  // The clock is drawn whole over whatever was redrawn under any part of it.
  bool drawClock = false;
  for (int i = 0; i < dirtyCount_ && settings.flag_clock; ++i) {
    if (!dirty_[i].Overlaps(now.clock)) continue;
    dirty_[i] = dirty_[i].United(now.clock);
    drawClock = true;
  }
  for (int i = 0; i < dirtyCount_; ++i) {
    display.ClipBackSurface(&dirty_[i]);
    DrawLayers(now, &dirty_[i]);
    if (!running_) return true;  // an error handler ended the saver
  }
  if (drawClock) {
    display.ClipBackSurface(&now.clock);
    parts_.DXClock1->ShowClock();
  }
  // What the flip's frame-rate text draws counts as a change of its box only.
  if (fpsText) {
    const Rect fps = display.FpsTextBox();
    display.ClipBackSurface(&fps);
  }
  return true;
}

bool TFrameComposer::CopyBand(const TShownState& now, const Rect& band, const Rect* parts, int count) {
  const TFrameComposer* from = nullptr;
  for (size_t i = 0; i < earlierCount_ && !from; ++i)
    if (earlier_[i] && earlier_[i] != this && SameLayout(*earlier_[i])) from = earlier_[i];
  if (!from || !from->partialRedraw_ || !from->haveShown_ || !from->running_ || from->shown_.sea != now.sea)
    return false;
  TDDmain& mine = *parts_.DDmain1;
  const TDDmain& theirs = *from->parts_.DDmain1;
  IDirectDrawSurface7* source = theirs.GetFpDDSBack();
  IDirectDrawSurface7* back = mine.GetFpDDSBack();
  if (!source || !back || !from->parts_.DDani1sea || from->parts_.DDani1sea->GetShowY() != band.top ||
      from->parts_.DDani1sea->GetStretchHeight() != band.bottom - band.top)
    return false;
  for (int i = 0; i < count; ++i) {
    mine.ClipBackSurface(&parts[i]);
    if (back->BltFast(parts[i].left, parts[i].top, source, &parts[i], DDBLTFAST_NOCOLORKEY) != DD_OK) {
      // Drawn whole instead.
      AddDirty(band);
      return true;
    }
  }
  // What the source drew over the band, and this scene's own gulls, clock
  // and text there, are composed again from this scene's layers.
  for (int i = 0; i < from->shown_.birdCount; ++i) AddDirty(from->BirdBox(from->shown_.birds[i]).Intersected(band));
  if (from->shown_.clockOn) AddDirty(from->shown_.clock.Intersected(band));
  if (from->shown_.fpsOn) AddDirty(theirs.FpsTextBox().Intersected(band));
  // A gull that moved is redrawn over both its boxes anyway.
  for (int i = 0; i < now.birdCount; ++i)
    if (now.birds[i] == shown_.birds[i]) AddDirty(BirdBox(now.birds[i]).Intersected(band));
  if (now.clockOn) AddDirty(now.clock.Intersected(band));
  if (now.fpsOn) AddDirty(mine.FpsTextBox().Intersected(band));
  return true;
}

bool TFrameComposer::SameLayout(const TFrameComposer& other) const {
  // The same size and depth lay the scenery out alike: the same band, rocks and sky.
  const TDDmain& mine = *parts_.DDmain1;
  const TDDmain& theirs = *other.parts_.DDmain1;
  return theirs.GetWidth() == mine.GetWidth() && theirs.GetHeight() == mine.GetHeight() &&
         theirs.GetColorDepth() == mine.GetColorDepth();
}

void TFrameComposer::AddDirty(const Rect& r) {
  if (r.Empty()) return;
  if (dirtyCount_ == static_cast<int>(dirty_.size())) {
    dirty_[dirtyCount_ - 1] = dirty_[dirtyCount_ - 1].United(r);
    return;
  }
  dirty_[dirtyCount_++] = r;
}

void TFrameComposer::DrawLayers(const TShownState& now, const Rect* area) {
  if (area) ClearUncovered(now, *area);
  else parts_.DDmain1->ClearBackSurface();
  if (!running_) return;
  parts_.DDbmp1ground->DrawImage();
  parts_.DDani1sea->SetNumberFrame(now.sea);
  parts_.DDani1sea->DrawAni();
  parts_.DDbmp1stone->DrawImage();
  for (int i = 0; i < settings_.NumBirds && running_; ++i) DrawShownBird(now.birds[i]);
}

int TFrameComposer::SeaParts(const Rect& band, std::array<Rect, kMaxSeaParts>& parts) const {
  const TDDmain& display = *parts_.DDmain1;
  const int32_t W = display.GetWidth(), H = display.GetHeight();
  const TDDbmp* rocks = parts_.DDbmp1stone;
  // Rocks drawn keyed at their shown size: a surface row is a screen row.
  IDirectDrawSurface7* stone =
      rocks && rocks->GetTransparency() && !rocks->GetScaleOnDraw() ? rocks->GetFpSurface() : nullptr;
  const auto drawn = stone ? DrawnPart(*rocks, W, H) : std::nullopt;
  const auto sea = parts_.DDani1sea ? DrawnBox(*parts_.DDani1sea, W, H) : std::nullopt;
  if (!drawn || !sea || !drawn->box.Overlaps(band)) {
    parts[0] = band;
    return 1;
  }
  // The sea's columns; those of the rocks' rows the rocks leave out (drawn
  // keyed: the key's pixels show what is under them).
  const int32_t seaLeft = std::max(band.left, sea->left), seaRight = std::min(band.right, sea->right);
  const Rect& r = drawn->box;
  constexpr int32_t kStrip = 16;
  int count = 0;
  auto add = [&](const Rect& part) {
    if (part.Empty()) return;
    Rect& last = parts[std::max(count - 1, 0)];
    if (count > 0 && last.left == part.left && last.right == part.right && last.bottom == part.top) {
      last.bottom = part.bottom;
    } else if (count < kMaxSeaParts) {
      parts[count++] = part;
    } else {
      last = last.United(part);
    }
  };
  add(Rect{seaLeft, band.top, seaRight, std::min(band.bottom, r.top)});
  for (int32_t y0 = std::max(band.top, r.top); y0 < std::min(band.bottom, r.bottom); y0 += kStrip) {
    const int32_t y1 = std::min({y0 + kStrip, band.bottom, r.bottom});
    int32_t first = seaRight, last = seaLeft;
    // Columns beside the rocks show the sea on every row.
    if (seaLeft < r.left) {
      first = seaLeft;
      last = std::max(last, std::min(r.left, seaRight));
    }
    if (r.right < seaRight) {
      first = std::min(first, std::max(r.right, seaLeft));
      last = seaRight;
    }
    for (int32_t y = y0; y < y1; ++y) {
      int32_t a = 0, b = 0;
      if (!stone->KeyedSpan(drawn->sourceTop + (y - r.top), a, b)) continue;
      // Source columns to screen columns, cut to the rocks' box and the sea's columns.
      const int64_t left = std::max<int64_t>(int64_t{a} - drawn->sourceLeft + r.left, std::max(r.left, seaLeft));
      const int64_t right = std::min<int64_t>(int64_t{b} - drawn->sourceLeft + r.left, std::min(r.right, seaRight));
      if (left >= right) continue;
      first = std::min<int32_t>(first, static_cast<int32_t>(left));
      last = std::max<int32_t>(last, static_cast<int32_t>(right));
    }
    add(Rect{first, y0, last, y1});
  }
  add(Rect{seaLeft, std::max(band.top, r.bottom), seaRight, band.bottom});
  return count;
}

void TFrameComposer::ClearUncovered(const TShownState& now, const Rect& area) {
  TDDmain& display = *parts_.DDmain1;
  const int32_t W = display.GetWidth(), H = display.GetHeight();
  auto fills = [W, H](const TDDsprite* sprite, bool haveSurface) -> std::optional<Rect> {
    if (!sprite || !haveSurface || sprite->GetTransparency()) return std::nullopt;
    return DrawnBox(*sprite, W, H);
  };
  const TDDbmp* sky = parts_.DDbmp1ground;
  const TDDani* sea = parts_.DDani1sea;
  const std::optional<Rect> covers[] = {fills(sky, sky && sky->GetFpSurface()),
                                        fills(sea, sea && sea->GetFpSurface(now.sea))};
  // area less each cover: at most four parts per part and cover.
  std::array<Rect, 16> parts{}, rest{};
  int count = 1;
  parts[0] = area;
  for (const std::optional<Rect>& cover : covers) {
    if (!cover) continue;
    int kept = 0;
    for (int i = 0; i < count; ++i) kept += parts[i].Minus(*cover, &rest[kept]);
    std::copy_n(rest.begin(), kept, parts.begin());
    count = kept;
  }
  if (count == 1 && parts[0] == area) {
    display.ClearBackSurface();
    return;
  }
  for (int i = 0; i < count && running_; ++i) {
    display.ClipBackSurface(&parts[i]);
    display.ClearBackSurface();
  }
  if (running_) display.ClipBackSurface(&area);
}

Rect TFrameComposer::BirdBox(const TShownBird& bird) const {
  const TDDani* sprite = bird.small == 0 ? parts_.DDani1bird : parts_.DDani1birds_small;
  if (!sprite) return Rect{};
  return Rect{bird.x, bird.y, bird.x + sprite->GetStretchWidth(), bird.y + sprite->GetStretchHeight()};
}

void TFrameComposer::DrawShownBird(const TShownBird& bird) {
  TDDani* sprite = bird.small == 0 ? parts_.DDani1bird : parts_.DDani1birds_small;
  if (!sprite) return;
  sprite->SetShowX(bird.x);
  sprite->SetShowY(bird.y);
  sprite->SetNumberFrame(bird.frame);
  sprite->DrawAni();
}

void TFrameComposer::DrawBird(const TBirdState& bird) { DrawShownBird(ShownBird(bird)); }

}  // namespace velmo
