#pragma once
// The seascape. It is composed on the 800 x 600 screen it was first drawn
// for (the frame: its units are that screen's pixels, the sun at 150 x 352,
// the horizon between rows 379 and 380) and drawn on a canvas that reaches
// beyond it on both sides and above, so that a screen of any shape shows a
// whole part of it (see docs/design.md): the sky and shore, the rolling sea
// (32 frames that loop) and the foreground rocks.
#include <functional>
#include <vector>

#include "image.h"

namespace artgen {

// The canvas in frame units: 120 to the left of the frame, 520 to its
// right (2.4 : 1 at the frame's height) and 200 rows of sky above it.
constexpr int kCanvasLeft = -120;
constexpr int kCanvasWidth = 1440;
constexpr int kCanvasTop = -200;
constexpr int kCanvasHeight = 800;

constexpr int kWidth = 800;            // the frame
constexpr int kGroundHeight = 385;     // frame rows of the sky picture below the frame's top
constexpr int kSeaTop = 380;           // first frame row of the sea band
constexpr int kSeaHeight = 166;
constexpr int kSeaFrames = 32;
constexpr int kRockTop = 423;
constexpr int kRockHeight = 177;
constexpr float kHorizon = 379.5f;     // the horizon line, between rows 379 and 380

// Pixels per unit of the still pictures (sky and rocks): a 3840 x 2160
// screen shows them one to one; smaller screens get them shrunk.
constexpr float kDetail = 3.6f;
constexpr int kGroundPixelsWide = 5184;   // kCanvasWidth * kDetail
constexpr int kGroundPixelsHigh = 2106;   // (kGroundHeight - kCanvasTop) * kDetail
constexpr int kRockPixelsHigh = 637;      // kRockHeight * kDetail, whole

class Scenery {
 public:
  Scenery();
  // The sky, clouds, sun and hills above the horizon, sea below it: canvas
  // rows down to the frame's row kGroundHeight, kDetail pixels a unit.
  const Image& Ground() const { return ground_; }
  // One frame of the sea band, frame rows kSeaTop .. kSeaTop + kSeaHeight - 1,
  // the canvas's whole width, one pixel a unit.
  Image SeaFrame(int frame) const;
  // The rocks, frame rows kRockTop .. 600, kDetail pixels a unit, with
  // `rock` set where a rock pixel is (the rest shows the sea).
  Image Rocks(std::vector<bool>& rock) const;
  // The sky at one pixel a unit (for the preview and the sea's reflection).
  const Image& SkyUnits() const { return sky_; }

 private:
  Rgb SeaPixel(float x, float y, int frame) const;
  Rgb SkyAbove(float x, float y) const;  // radiance of the picture above the horizon
  Image ground_;                          // see Ground()
  Image sky_;                             // canvas columns, rows down to the horizon, one pixel a unit
};

// Runs body(row) for every row in [0, rows) on the machine's cores.
void ForEachRow(int rows, const std::function<void(int)>& body);

}  // namespace artgen
