#pragma once
// The two gull strips: 40 frames of 30 x 11 each, five groups of eight
// wing-beat frames (groups 0..2 fly left, 3..4 fly right).
#include "encoders.h"

namespace artgen {

constexpr int kGullWidth = 30;
constexpr int kGullHeight = 11;
constexpr int kGullFrames = 40;
constexpr int kGullBackgroundIndex = 2;

// `small`: the distant gull, darker and drawn in 2 x 2 blocks so that it
// survives being shrunk to 15 x 5 by picking every other pixel.
Indexed GullStrip(bool small);

}  // namespace artgen
