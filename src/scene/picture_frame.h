#pragma once
// Where the seascape lies on a screen of any shape. The art is drawn on a
// canvas larger than the 800 x 600 screen it was composed for (the frame):
// 120 units to its left, 520 to its right and 200 rows of sky above it, a
// unit being one of the frame's pixels. A screen shows one part of it at one
// scale for both axes, so the sun stays round: the frame's height on 4:3 and
// wider screens (more shore to the sides, up to 2.4 : 1), more sky above on
// narrower ones (up to 800 rows), the rocks always along the bottom and the
// sun as far in from the left as on the frame while the canvas allows.
#include <cstdint>

namespace velmo {

class TDDbmp;
class TDDani;

// The canvas, in frame units; the art generator draws exactly this.
constexpr double kCanvasLeft = -120;
constexpr double kCanvasWidth = 1440;
constexpr double kCanvasTop = -200;
// Rows of the frame where each picture lies.
constexpr double kGroundBottom = 385;  // the sky picture: canvas top to here
constexpr double kSeaTop = 380;        // the sea band's 32 frames
constexpr double kSeaRows = 166;
constexpr double kRocksTop = 423;      // the rocks: to the frame's bottom (600)
constexpr double kFrameBottom = 600;

struct TPictureFrame {
  double left = 0, top = 0;        // the canvas point at the screen's top-left, in units
  double width = 0, height = 0;    // units shown
  double scale = 1;                // screen pixels per unit, both axes
  // The screen row of a frame row (rounded): where each picture begins.
  int32_t Row(double frameRow) const;
};

TPictureFrame PictureFrameFor(int32_t width, int32_t height);

// Makes the surfaces of the sky, the sea band and the rocks for a width x
// height screen from the pictures of the art (decoded here when the sprite
// holds none): the sky and the rocks scaled once to the screen with
// filtering (the rocks' key kept exactly), the sea frames cut to the
// columns shown and kept at the picture's own size, scaled as they are drawn
// (at the screen's size when that is smaller). The decoded pictures are
// freed once the surfaces hold them. A sprite that reported an error is left
// as its handler left it.
void LayOutScenery(TDDbmp& ground, TDDani& sea, TDDbmp& rocks, int32_t width, int32_t height);

}  // namespace velmo
