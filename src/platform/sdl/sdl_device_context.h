#pragma once
// A device context over a surface's pixels, drawn with cairo (antialiasing
// off) and, where GDI's pixel rules must hold exactly (lines, single pixels,
// bitmaps), by hand. Made once per surface and reused by every GetDC, so
// drawing a frame allocates nothing.
#include <cairo.h>

#include <array>
#include <cstdint>

#include "platform/bitmap_blit.h"
#include "platform/gdi.h"

namespace velmo {

class SdlDeviceContext : public IDeviceContext {
 public:
  // The memory must stay in place for the context's life; its pitch must be
  // the one cairo wants (cairo_format_stride_for_width).
  explicit SdlDeviceContext(PixelTarget target);
  ~SdlDeviceContext() override;
  SdlDeviceContext(const SdlDeviceContext&) = delete;
  SdlDeviceContext& operator=(const SdlDeviceContext&) = delete;

  bool Valid() const { return cr_ != nullptr; }
  // GetDC starts with GDI's defaults; ReleaseDC settles the pixels.
  void Begin();
  void End();

  int SetBkMode(int mode) override;
  TColor SetTextColor(TColor colour) override;
  void SetTextHeight(int pixels) override;
  // Costs nothing; cairo's own antialiasing for the shapes and lines after it.
  void SetSmoothEdges(bool on) override;
  bool TextOut(int x, int y, const char* text, int length) override;
  HGDIOBJ CreatePen(int style, int width, TColor colour) override;
  HGDIOBJ CreateSolidBrush(TColor colour) override;
  HGDIOBJ SelectObject(HGDIOBJ object) override;
  bool DeleteObject(HGDIOBJ object) override;
  bool Ellipse(int left, int top, int right, int bottom) override;
  bool Rectangle(int left, int top, int right, int bottom) override;
  bool Polygon(const Point* points, int count) override;
  bool MoveToEx(int x, int y, Point* previous) override;
  bool LineTo(int x, int y) override;
  TColor GetPixel(int x, int y) override;
  TColor SetPixel(int x, int y, TColor colour) override;
  void Draw(int x, int y, const Bitmap& bitmap) override;
  void StretchDraw(const Rect& box, const Bitmap& bitmap) override;

 private:
  struct GdiObject {
    bool used = false;
    bool pen = false;
    int style = PS_SOLID;
    int width = 1;
    TColor colour = 0;
  };
  static constexpr int kMaxObjects = 32;
  static constexpr HGDIOBJ kStockPen = 0x1000;
  static constexpr HGDIOBJ kStockBrush = 0x1001;

  const GdiObject* Object(HGDIOBJ handle) const;
  void SetSource(TColor colour);
  void Touch(int left, int top, int right, int bottom);
  // True when the box [left, right) x [top, bottom) misses the surface.
  bool Offscreen(int left, int top, int right, int bottom) const;
  void Settle();
  void PutPixel(int x, int y, uint32_t native);

  PixelTarget target_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  int textHeight_ = 0;  // 0: the default
  cairo_font_options_t* fontOptions_ = nullptr;
  std::array<GdiObject, kMaxObjects> objects_{};
  GdiObject stockPen_{true, true, PS_SOLID, 1, 0};
  GdiObject stockBrush_{true, false, PS_SOLID, 0, 0xFFFFFF};
  HGDIOBJ pen_ = kStockPen;
  HGDIOBJ brush_ = kStockBrush;
  int bkMode_ = OPAQUE;
  bool smooth_ = false;
  TColor textColour_ = 0;
  TColor bkColour_ = 0xFFFFFF;
  Point position_;
  // Area cairo drew since the pixels were last settled (empty when left >= right).
  int dirtyLeft_ = 0, dirtyTop_ = 0, dirtyRight_ = 0, dirtyBottom_ = 0;
  std::array<cairo_glyph_t, 256> glyphs_{};  // a text's glyphs, as long as any text is
};

}  // namespace velmo
