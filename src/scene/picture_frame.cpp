#include "scene/picture_frame.h"

#include <algorithm>
#include <cmath>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "platform/bitmap_resample.h"
#include "scene/scene_layout.h"

namespace velmo {
namespace {

// The share of the shown width left of the sun, as on the frame (150 of 800).
constexpr double kSunX = 150;
constexpr double kSunShare = 150.0 / 800.0;
// The widest and the tallest part of the canvas a screen shows.
constexpr double kWidest = kCanvasWidth;
constexpr double kTallest = kFrameBottom - kCanvasTop;
constexpr double kFrameRows = 600;

// Columns [first, first + count) of every row of a picture, at least one.
Bitmap CopyColumns(const Bitmap& in, int first, int count) {
  if (in.Empty()) return in;
  first = std::clamp(first, 0, in.Width() - 1);
  return in.CopyColumns(first, std::clamp(count, 1, in.Width() - first));
}

// The decoded picture a sprite holds, taken out of it (decoded now when it holds none).
Bitmap TakePicture(TDDsprite& sprite, const char* name, bool jpeg) {
  if (sprite.GetBitmap().Empty()) {
    if (jpeg) LoadPictureInto(name, sprite);
    else LoadBitmapInto(name, sprite);
  }
  Bitmap picture = std::move(sprite.GetBitmap());
  sprite.DropBitmap();
  return picture;
}

// A still picture scaled once to the screen's size, into its surface.
void MakeStill(TDDbmp& sprite, const Bitmap& art, const TPictureFrame& frame, double artTop, int32_t showY,
               int32_t width, int32_t rows, int keyIndex) {
  // Pixels per unit of the art, from its own width: the canvas is its width.
  const double detail = art.Empty() ? 1 : art.Width() / kCanvasWidth;
  const PictureArea area{(frame.left - kCanvasLeft) * detail, (frame.top + showY / frame.scale - artTop) * detail,
                         width / frame.scale * detail, rows / frame.scale * detail};
  Bitmap shown = ResampleArea(art, area, width, rows, keyIndex);
  sprite.SetBitmap(&shown);
  shown = Bitmap();
  sprite.SetStretching(true);
  // Drawn one to one either way; unkeyed, it is kept 3 bytes a pixel
  // through the display's stretching path (KeepForStretching).
  sprite.SetScaleOnDraw(keyIndex < 0);
  sprite.SetStretchWidth(width);
  sprite.SetStretchHeight(rows);
  sprite.SetShowX(0);
  sprite.SetShowY(showY);
  sprite.CreateSurface();
  sprite.DropBitmap();
}

}  // namespace

int32_t TPictureFrame::Row(double frameRow) const {
  return static_cast<int32_t>(std::lround((frameRow - top) * scale));
}

TPictureFrame PictureFrameFor(int32_t width, int32_t height) {
  TPictureFrame f;
  const double w = std::max(width, 1), h = std::max(height, 1);
  const double aspect = w / h;
  f.height = std::clamp(kTallest / aspect, kFrameRows, kTallest);
  f.width = f.height * aspect;
  if (f.width > kWidest) {
    f.width = kWidest;
    f.height = kWidest / aspect;
  }
  f.scale = h / f.height;
  f.top = kFrameBottom - f.height;
  f.left = std::clamp(kSunX - kSunShare * f.width, kCanvasLeft, kCanvasLeft + kCanvasWidth - f.width);
  return f;
}

void LayOutScenery(TDDbmp& ground, TDDani& sea, TDDbmp& rocks, int32_t width, int32_t height) {
  const TPictureFrame frame = PictureFrameFor(width, height);

  {
    const Bitmap sky = TakePicture(ground, "Image1ground", true);
    MakeStill(ground, sky, frame, kCanvasTop, 0, width, std::max(frame.Row(kGroundBottom), 1), -1);
  }

  {
    // 32 frames at the screen's width would not fit in memory on a large
    // screen: the columns shown, at the picture's size.
    const Bitmap strip = TakePicture(sea, "Image1sea", true);
    const double perUnit = strip.Empty() ? 1 : strip.Width() / kCanvasWidth;
    const int first = static_cast<int>(std::lround((frame.left - kCanvasLeft) * perUnit));
    Bitmap shown = CopyColumns(strip, first, std::max(1, static_cast<int>(std::lround(frame.width * perUnit))));
    sea.SetBitmap(&shown);
    shown = Bitmap();
    const int32_t rows = std::max(static_cast<int32_t>(std::lround(kSeaRows * frame.scale)), 1);
    sea.SetYOffsetFrame(static_cast<int32_t>(kSeaRows));
    sea.SetStretching(true);
    // Shrunk once where the screen is the smaller; enlarged as drawn elsewhere.
    sea.SetScaleOnDraw(frame.scale > 1);
    sea.SetStretchWidth(width);
    sea.SetStretchHeight(rows);
    sea.CreateSurface();
    sea.DropBitmap();
    sea.SetShowX(0);
    sea.SetShowY(frame.Row(kSeaTop));
  }

  {
    const Bitmap stone = TakePicture(rocks, "DDbmp1stone", false);
    const int32_t top = frame.Row(kRocksTop);
    MakeStill(rocks, stone, frame, kRocksTop, top, width, std::max(height - top, 1), 0);
    rocks.SetTransparency(true);
  }
}

}  // namespace velmo
