#pragma once
// The frame composer: what a frame shows, what changed since the frame
// before, and the partial redraw. Where the display keeps the back buffer
// across a flip, a frame redraws only what changed (the sea when it rolls,
// each gull's old and new place, the clock when its second turns, the
// frame-rate text), giving the very picture a whole composition gives.
// Runs on the loop's thread; allocates nothing.
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/colour.h"
#include "platform/gdi.h"
#include "scene/bird_flight.h"
#include "scene/scene_parts.h"
#include "scene/scene_tick.h"
#include "setup/settings.h"

namespace velmo {

class TFrameComposer {
 public:
  // Draws the sprites, clock and display of parts where motion and
  // settings have them; running is false once an error handler has ended
  // the scene (the composer then stops drawing). All outlive it.
  TFrameComposer(const TSceneParts& parts, const TSceneMotion& motion, const TSaverSettings& settings,
                 const bool& running)
      : parts_(parts), motion_(motion), settings_(settings), running_(running) {}

  // The display opened (again): whether it can redraw parts, and nothing
  // shown yet, so the next frame is composed whole.
  void DisplayOpened();
  // Composes the next frame (whole when asked, or when the display cannot
  // keep its pixels, or what is drawn at all changed) and flips it. Where
  // only what changed is redrawn, a frame that would show nothing new is
  // neither drawn, flipped nor counted in the frame rate: false then.
  bool ComposeAndFlip(bool whole);
  // The display keeps the back buffer's pixels: only what changed is redrawn.
  bool RedrawsParts() const { return partialRedraw_; }
  // Draws one gull where the timer's thread has it now.
  void DrawBird(const TBirdState& bird);
  // Monitors of one size show the same sea band. source: a scene composed
  // earlier in the same turn; when it shows the same sea frame at the same
  // size, this one copies the band from its back buffer instead of drawing
  // the sea and the rocks again, then redraws only the boxes where the two
  // differ (the source's gulls, clock and frame-rate text, and its own
  // gulls, clock and text). earlier: the scenes composed before this one in
  // the turn; the first laid out as this one is (SameLayout) lends the band.
  // They and the array outlive the turn.
  void ShareBandOf(const TFrameComposer* const* earlier, size_t count) {
    earlier_ = earlier;
    earlierCount_ = count;
  }

 private:
  // What a frame shows, read once per frame from the state the timer's
  // thread moves, so that what is redrawn and what is drawn agree.
  struct TShownBird {
    int32_t x = 0, y = 0, frame = 0, small = 0;
    bool operator==(const TShownBird&) const = default;
  };
  struct TShownState {
    int32_t birdCount = 0;
    bool clockOn = false, fpsOn = false;
    int32_t sea = 0;
    std::array<TShownBird, kBirdCount> birds{};
    int32_t clockSecond = -1;
    Rect clock{};
    TColor clockColour = 0;
  };
  static TShownBird ShownBird(const TBirdState& bird);
  TShownState ReadShownState() const;
  void ComposeWhole(const TShownState& now);
  // Redraws what changed since the frame shown; false when nothing did.
  // fpsText: the flip is to draw the frame-rate text (its box was redrawn).
  bool ComposeChanged(const TShownState& now, bool& fpsText);
  // Clear, sky, sea, rocks and gulls, as far as the back surface's clip
  // lets them. area: the clip, of which only what the sky and the sea leave
  // uncovered is cleared; null: the whole frame, cleared whole.
  void DrawLayers(const TShownState& now, const Rect* area = nullptr);
  // Clears the parts of area that neither the sky nor the sea draws over.
  void ClearUncovered(const TShownState& now, const Rect& area);
  void DrawShownBird(const TShownBird& bird);
  Rect BirdBox(const TShownBird& bird) const;
  void AddDirty(const Rect& r);
  // Where in the band the sea shows when it rolls: every row above the
  // rocks and, in strips below their top, the columns where the rocks leave
  // a pixel out; the rest of the band is opaque rock, the same at every sea
  // frame. Answers how many parts it wrote.
  static constexpr int kMaxSeaParts = 24;
  int SeaParts(const Rect& band, std::array<Rect, kMaxSeaParts>& parts) const;
  // The sea's parts copied from the lending scene and the boxes where this
  // scene's band differs from it marked to be redrawn; false when it could not be.
  bool CopyBand(const TShownState& now, const Rect& band, const Rect* parts, int count);

  // True when other is laid out as this one: the same size and depth, so
  // the same sky, band and rocks.
  bool SameLayout(const TFrameComposer& other) const;

  const TSceneParts& parts_;
  const TSceneMotion& motion_;
  const TSaverSettings& settings_;
  const bool& running_;
  TShownState shown_;
  bool haveShown_ = false;
  bool partialRedraw_ = false;  // the display keeps the back buffer's pixels
  const TFrameComposer* const* earlier_ = nullptr;
  size_t earlierCount_ = 0;
  // Each gull's old and new box, the clock, the frame-rate text, the sea's
  // parts, and where a copied band differs: both scenes' gulls, clocks and texts.
  std::array<Rect, kMaxSeaParts + 4 * kBirdCount + 8> dirty_{};
  int dirtyCount_ = 0;
};

}  // namespace velmo
