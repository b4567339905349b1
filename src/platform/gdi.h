#pragma once
// Device context on a surface: the drawing calls the components make, with
// GDI's rules where they matter (boxes exclude their right and bottom edges,
// polygons fill with the brush and outline with the pen, stretched bitmap
// draws take one source pixel per target pixel and never blend).
#include <cstdint>

#include "platform/bitmap.h"
#include "platform/colour.h"
#include "platform/rect.h"

namespace velmo {

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const Point&) const = default;
};

// Handle of a pen or brush made by a device context; 0 is none.
using HGDIOBJ = uint32_t;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int PS_SOLID = 0;

class IDeviceContext {
 public:
  virtual ~IDeviceContext() = default;

  virtual int SetBkMode(int mode) = 0;
  virtual TColor SetTextColor(TColor colour) = 0;
  // Top-left of the text at (x, y), in the context's default sans face (about 13 px).
  virtual bool TextOut(int x, int y, const char* text, int length) = 0;
  // The face's size in pixels for the texts after it (13 by default); stays
  // until changed. Setting the size it has costs nothing.
  virtual void SetTextHeight(int pixels) = 0;
  // Shapes and lines after it drawn with smooth (anti-aliased) edges, or
  // with whole pixels as GDI draws them (the default, which colour keys and
  // pixel-exact drawings rely on); stays until changed or the context is
  // released. Bitmaps and text are not affected.
  virtual void SetSmoothEdges(bool on) = 0;

  virtual HGDIOBJ CreatePen(int style, int width, TColor colour) = 0;
  virtual HGDIOBJ CreateSolidBrush(TColor colour) = 0;
  // Selects a pen or brush; returns the one of the same kind selected before.
  virtual HGDIOBJ SelectObject(HGDIOBJ object) = 0;
  virtual bool DeleteObject(HGDIOBJ object) = 0;

  virtual bool Ellipse(int left, int top, int right, int bottom) = 0;
  virtual bool Rectangle(int left, int top, int right, int bottom) = 0;
  virtual bool Polygon(const Point* points, int count) = 0;
  virtual bool MoveToEx(int x, int y, Point* previous) = 0;
  virtual bool LineTo(int x, int y) = 0;

  virtual TColor GetPixel(int x, int y) = 0;
  virtual TColor SetPixel(int x, int y, TColor colour) = 0;

  // The whole bitmap unscaled with its top-left at (x, y).
  virtual void Draw(int x, int y, const Bitmap& bitmap) = 0;
  // The whole bitmap scaled into the box, nearest pixel, never blending.
  virtual void StretchDraw(const Rect& box, const Bitmap& bitmap) = 0;
};

}  // namespace velmo
