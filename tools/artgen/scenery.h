#pragma once
// The seascape, drawn on the 800 x 600 virtual screen: sky and shore, the
// rolling sea (32 frames that loop) and the foreground rocks.
#include <vector>

#include "image.h"

namespace artgen {

constexpr int kWidth = 800;
constexpr int kGroundHeight = 385;
constexpr int kSeaTop = 380;          // first row of the sea band on the screen
constexpr int kSeaHeight = 166;
constexpr int kSeaFrames = 32;
constexpr int kRockTop = 423;
constexpr int kRockHeight = 177;
constexpr float kHorizon = 379.5f;     // the horizon line, between rows 379 and 380

class Scenery {
 public:
  Scenery();
  // The sky, clouds, sun and hills above the horizon; sea below it.
  Image Ground() const;
  // One frame of the sea band, rows kSeaTop .. kSeaTop + kSeaHeight - 1.
  Image SeaFrame(int frame) const;
  // The rocks, with `rock` set where a rock pixel is (the rest shows the sea).
  Image Rocks(std::vector<bool>& rock) const;

 private:
  Rgb SeaPixel(float x, float y, int frame) const;
  Rgb SkyAbove(float x, float y) const;  // radiance of the picture above the horizon
  Image sky_;                            // kWidth x (kHorizon rounded up), hills included
};

}  // namespace artgen
