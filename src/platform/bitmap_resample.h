#pragma once
// A part of a picture scaled once to a new size with filtering, for pictures
// drawn at the screen's size: shrunk, each target pixel is the mean of the
// source pixels it covers; enlarged, source pixels are blended linearly.
// Plain data in, plain data out; costs about one pass over the part and one
// over the result, on the calling thread.
#include <cstdint>

#include "platform/bitmap.h"

namespace velmo {

// A rectangle of a picture in its pixels; fractions allowed.
struct PictureArea {
  double left = 0, top = 0, width = 0, height = 0;
};

// `area` of `source` (either format) as a true-colour picture of width x
// height. With `keyIndex` (an Indexed8 source only), pixels of that index
// are see-through: a target pixel that is more see-through than not is
// exactly the key's colour, any other is the mean of the pixels that are
// not, so a colour key survives the scaling exactly; the top-left pixel is
// always the key's, for the blit that takes its key from there. An empty
// source or size gives an empty picture.
Bitmap ResampleArea(const Bitmap& source, const PictureArea& area, int width, int height, int keyIndex = -1);

}  // namespace velmo
