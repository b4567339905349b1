#pragma once
// The two gull strips: 40 frames of 30 x 11 each, five groups of eight
// wing-beat frames (groups 0..2 fly left, 3..4 fly right), and the same at
// whole-number enlargements for large screens.
#include "encoders.h"

namespace artgen {

constexpr int kGullWidth = 30;
constexpr int kGullHeight = 11;
constexpr int kGullFrames = 40;
constexpr int kGullBackgroundIndex = 2;

// Largest whole-number enlargement the gulls are drawn at.
constexpr int kGullMaxScale = 4;

// `small`: the distant gull, darker and drawn in 2 x 2 blocks so that it
// survives being shrunk to 15 x 5 by picking every other pixel. `scale` > 1:
// the strip for screens that show everything that many times larger, frames
// of 30 x 11 times scale (small: 15 x 5 times scale), drawn at that size.
Indexed GullStrip(bool small, int scale = 1);

}  // namespace artgen
