#include "platform/sdl/sdl_device_context.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/pixel_format.h"

namespace velmo {
namespace {

constexpr double kFontPixels = 13.0;
constexpr int PS_NULL = 5;

// The plain sans face that fontconfig picks, made once for the process.
cairo_font_face_t* SansFace() {
  static cairo_font_face_t* face =
      cairo_toy_font_face_create("sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  return face;
}

}  // namespace

SdlDeviceContext::SdlDeviceContext(PixelTarget target) : target_(target) {
  const cairo_format_t format = target.bits == 16 ? CAIRO_FORMAT_RGB16_565 : CAIRO_FORMAT_RGB24;
  if (target.pixels == nullptr || target.pitch != cairo_format_stride_for_width(format, target.width)) return;
  surface_ = cairo_image_surface_create_for_data(target.pixels, format, target.width, target.height, target.pitch);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return;
  cr_ = cairo_create(surface_);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(cr_);
    cr_ = nullptr;
    return;
  }
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  fontOptions_ = cairo_font_options_create();
  cairo_font_options_set_antialias(fontOptions_, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_style(fontOptions_, CAIRO_HINT_STYLE_FULL);
  cairo_set_font_options(cr_, fontOptions_);
  cairo_set_font_face(cr_, SansFace());
  cairo_set_font_size(cr_, kFontPixels);
}

SdlDeviceContext::~SdlDeviceContext() {
  if (cr_) cairo_destroy(cr_);
  if (surface_) cairo_surface_destroy(surface_);
  if (fontOptions_) cairo_font_options_destroy(fontOptions_);
}

void SdlDeviceContext::Begin() {
  pen_ = kStockPen;
  brush_ = kStockBrush;
  bkMode_ = OPAQUE;
  textColour_ = 0;
  bkColour_ = 0xFFFFFF;
  position_ = {};
  SetSmoothEdges(false);
  // Cairo's state outlives a release: what a wide line set must not shape
  // the next context's outlines.
  if (cr_) cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  if (surface_) cairo_surface_mark_dirty(surface_);  // others wrote the pixels since
}

void SdlDeviceContext::SetSmoothEdges(bool on) {
  smooth_ = on;
  if (cr_) cairo_set_antialias(cr_, on ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
}

void SdlDeviceContext::End() { Settle(); }

void SdlDeviceContext::Touch(int left, int top, int right, int bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, target_.width);
  bottom = std::min(bottom, target_.height);
  if (left >= right || top >= bottom) return;
  if (dirtyLeft_ >= dirtyRight_) {
    dirtyLeft_ = left, dirtyTop_ = top, dirtyRight_ = right, dirtyBottom_ = bottom;
    return;
  }
  dirtyLeft_ = std::min(dirtyLeft_, left);
  dirtyTop_ = std::min(dirtyTop_, top);
  dirtyRight_ = std::max(dirtyRight_, right);
  dirtyBottom_ = std::max(dirtyBottom_, bottom);
}

// Cairo's 24-bit format leaves the unused top byte undefined; the surface
// format keeps it 0, so colour keys and pixel reads see one value per colour.
void SdlDeviceContext::Settle() {
  if (!surface_) return;
  cairo_surface_flush(surface_);
  if (target_.bits != 16 && dirtyLeft_ < dirtyRight_) {
    for (int y = dirtyTop_; y < dirtyBottom_; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(target_.pixels + static_cast<size_t>(y) * target_.pitch);
      for (int x = dirtyLeft_; x < dirtyRight_; ++x) row[x] &= 0x00FFFFFFu;
    }
  }
  dirtyLeft_ = dirtyRight_ = 0;
}

const SdlDeviceContext::GdiObject* SdlDeviceContext::Object(HGDIOBJ handle) const {
  if (handle == kStockPen) return &stockPen_;
  if (handle == kStockBrush) return &stockBrush_;
  if (handle >= 1 && handle <= static_cast<HGDIOBJ>(kMaxObjects) && objects_[handle - 1].used) {
    return &objects_[handle - 1];
  }
  return nullptr;
}

void SdlDeviceContext::SetSource(TColor colour) {
  cairo_set_source_rgb(cr_, RedOf(colour) / 255.0, GreenOf(colour) / 255.0, BlueOf(colour) / 255.0);
}

int SdlDeviceContext::SetBkMode(int mode) {
  const int previous = bkMode_;
  if (mode == TRANSPARENT || mode == OPAQUE) bkMode_ = mode;
  return previous;
}

TColor SdlDeviceContext::SetTextColor(TColor colour) {
  const TColor previous = textColour_;
  textColour_ = colour & 0xFFFFFF;
  return previous;
}

void SdlDeviceContext::SetTextHeight(int pixels) {
  // Only a real change: a new size makes cairo look up another scaled font.
  if (!cr_ || pixels <= 0 || pixels == (textHeight_ ? textHeight_ : static_cast<int>(kFontPixels))) return;
  textHeight_ = pixels;
  cairo_set_font_size(cr_, pixels);
}

bool SdlDeviceContext::TextOut(int x, int y, const char* text, int length) {
  if (!cr_ || text == nullptr || length < 0) return false;
  if (length == 0) return true;
  // cairo wants a terminated string; the text of a device context is short.
  char buffer[256];
  const int n = std::min<int>(length, sizeof buffer - 1);
  std::copy(text, text + n, buffer);
  buffer[n] = '\0';
  cairo_font_extents_t font;
  cairo_font_extents(cr_, &font);
  // The glyphs go into our own buffer: cairo's text calls allocate one per
  // call, and the frame-rate text is drawn at every flip.
  cairo_glyph_t* glyphs = glyphs_.data();
  int count = static_cast<int>(glyphs_.size());
  if (cairo_scaled_font_text_to_glyphs(cairo_get_scaled_font(cr_), x, y + std::round(font.ascent), buffer, n,
                                       &glyphs, &count, nullptr, nullptr, nullptr) != CAIRO_STATUS_SUCCESS) {
    return false;
  }
  cairo_text_extents_t extents;
  cairo_glyph_extents(cr_, glyphs, count, &extents);
  const int height = static_cast<int>(std::ceil(font.ascent + font.descent));
  const int advance = static_cast<int>(std::ceil(extents.x_advance));
  if (bkMode_ == OPAQUE) {
    SetSource(bkColour_);
    cairo_rectangle(cr_, x, y, advance, height);
    cairo_fill(cr_);
  }
  SetSource(textColour_);
  cairo_show_glyphs(cr_, glyphs, count);
  if (glyphs != glyphs_.data()) cairo_glyph_free(glyphs);
  cairo_new_path(cr_);
  Touch(x - 4, y - 4, x + advance + static_cast<int>(kFontPixels), y + height + 4);
  return true;
}

HGDIOBJ SdlDeviceContext::CreatePen(int style, int width, TColor colour) {
  for (int i = 0; i < kMaxObjects; ++i) {
    if (!objects_[i].used) {
      objects_[i] = {true, true, style, std::max(width, 1), colour & 0xFFFFFF};
      return static_cast<HGDIOBJ>(i + 1);
    }
  }
  return 0;
}

HGDIOBJ SdlDeviceContext::CreateSolidBrush(TColor colour) {
  for (int i = 0; i < kMaxObjects; ++i) {
    if (!objects_[i].used) {
      objects_[i] = {true, false, PS_SOLID, 0, colour & 0xFFFFFF};
      return static_cast<HGDIOBJ>(i + 1);
    }
  }
  return 0;
}

HGDIOBJ SdlDeviceContext::SelectObject(HGDIOBJ object) {
  const GdiObject* found = Object(object);
  if (!found) return 0;
  HGDIOBJ& slot = found->pen ? pen_ : brush_;
  const HGDIOBJ previous = slot;
  slot = object;
  return previous;
}

bool SdlDeviceContext::DeleteObject(HGDIOBJ object) {
  if (object < 1 || object > static_cast<HGDIOBJ>(kMaxObjects) || !objects_[object - 1].used) return false;
  if (object == pen_ || object == brush_) return false;  // GDI refuses to delete a selected object
  objects_[object - 1].used = false;
  return true;
}

bool SdlDeviceContext::Offscreen(int left, int top, int right, int bottom) const {
  return right <= 0 || bottom <= 0 || left >= target_.width || top >= target_.height;
}

bool SdlDeviceContext::Ellipse(int left, int top, int right, int bottom) {
  if (!cr_) return false;
  // GDI draws an ellipse inside its box: a box off the surface shows nothing.
  if (right <= left || bottom <= top || Offscreen(left, top, right, bottom)) return true;
  const double cx = (static_cast<double>(left) + right) / 2.0, cy = (static_cast<double>(top) + bottom) / 2.0;
  const double rx = (static_cast<double>(right) - left) / 2.0, ry = (static_cast<double>(bottom) - top) / 2.0;
  const GdiObject* brush = Object(brush_);
  const GdiObject* pen = Object(pen_);
  auto ellipse = [&](double ax, double ay) {
    cairo_new_path(cr_);
    if (ax <= 0 || ay <= 0) return false;
    cairo_save(cr_);
    cairo_translate(cr_, cx, cy);
    cairo_scale(cr_, ax, ay);
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr_);
    return true;
  };
  if (brush && ellipse(rx, ry)) {
    SetSource(brush->colour);
    cairo_fill(cr_);
  }
  // The outline runs through the centres of the box's outer pixels, so it
  // stays inside the box as GDI's does.
  if (pen && pen->style != PS_NULL && ellipse(rx - pen->width / 2.0, ry - pen->width / 2.0)) {
    SetSource(pen->colour);
    cairo_set_line_width(cr_, pen->width);
    cairo_stroke(cr_);
  }
  cairo_new_path(cr_);
  Touch(left, top, right, bottom);
  return true;
}

bool SdlDeviceContext::Rectangle(int left, int top, int right, int bottom) {
  if (!cr_) return false;
  if (right <= left || bottom <= top || Offscreen(left, top, right, bottom)) return true;
  const GdiObject* brush = Object(brush_);
  const GdiObject* pen = Object(pen_);
  if (brush) {
    SetSource(brush->colour);
    cairo_rectangle(cr_, left, top, static_cast<double>(right) - left, static_cast<double>(bottom) - top);
    cairo_fill(cr_);
  }
  if (pen && pen->style != PS_NULL) {
    const double half = pen->width / 2.0;
    SetSource(pen->colour);
    cairo_set_line_width(cr_, pen->width);
    cairo_rectangle(cr_, left + half, top + half, static_cast<double>(right) - left - pen->width, static_cast<double>(bottom) - top - pen->width);
    cairo_stroke(cr_);
  }
  Touch(left, top, right, bottom);
  return true;
}

bool SdlDeviceContext::Polygon(const Point* points, int count) {
  if (!cr_ || points == nullptr || count < 2) return false;
  int left = points[0].x, right = points[0].x, top = points[0].y, bottom = points[0].y;
  cairo_new_path(cr_);
  for (int i = 0; i < count; ++i) {
    cairo_line_to(cr_, points[i].x + 0.5, points[i].y + 0.5);
    left = std::min(left, points[i].x), right = std::max(right, points[i].x);
    top = std::min(top, points[i].y), bottom = std::max(bottom, points[i].y);
  }
  cairo_close_path(cr_);
  const GdiObject* brush = Object(brush_);
  const GdiObject* pen = Object(pen_);
  if (brush) {
    SetSource(brush->colour);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);  // GDI's default ALTERNATE
    cairo_fill_preserve(cr_);
  }
  int grow = 1;
  if (pen && pen->style != PS_NULL) {
    SetSource(pen->colour);
    cairo_set_line_width(cr_, pen->width);
    cairo_stroke_preserve(cr_);
    grow += pen->width;
  }
  cairo_new_path(cr_);
  Touch(left - grow, top - grow, right + grow + 1, bottom + grow + 1);
  return true;
}

bool SdlDeviceContext::MoveToEx(int x, int y, Point* previous) {
  if (previous) *previous = position_;
  position_ = {x, y};
  return true;
}

void SdlDeviceContext::PutPixel(int x, int y, uint32_t native) {
  if (x < 0 || y < 0 || x >= target_.width || y >= target_.height) return;
  WriteNative(target_.pixels + static_cast<size_t>(y) * target_.pitch, x, native, target_.bits);
}

bool SdlDeviceContext::LineTo(int x, int y) {
  if (!cr_) return false;
  const GdiObject* pen = Object(pen_);
  const Point from = position_;
  position_ = {x, y};
  if (!pen || pen->style == PS_NULL) return true;
  if (pen->width > 1 || smooth_) {
    // Smooth one-pixel lines too: cairo's, not stepped pixel by pixel.
    SetSource(pen->colour);
    cairo_set_line_width(cr_, pen->width);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr_, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr_, x + 0.5, y + 0.5);
    cairo_stroke(cr_);
    Touch(std::min(from.x, x) - pen->width - 1, std::min(from.y, y) - pen->width - 1,
          std::max(from.x, x) + pen->width + 2, std::max(from.y, y) + pen->width + 2);
    return true;
  }
  // One-pixel lines by Bresenham, the last point excluded as GDI does.
  // Step k of the major axis puts the minor axis at round(k * minor / major),
  // halves rounded up, which is exactly where the stepping error would; so
  // only the steps that fall on the surface are visited, and a line from far
  // outside costs no more than one across the surface.
  Settle();
  const uint32_t native = NativeFromColour(pen->colour, target_.bits);
  const int64_t dx = int64_t{x} - from.x, dy = int64_t{y} - from.y;
  const int64_t a = dx < 0 ? -dx : dx, b = dy < 0 ? -dy : dy;
  const bool xMajor = a >= b;
  const int64_t major = xMajor ? a : b, minor = xMajor ? b : a;
  const int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1, minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const int64_t majorFrom = xMajor ? from.x : from.y, minorFrom = xMajor ? from.y : from.x;
  const int64_t majorSize = xMajor ? target_.width : target_.height;
  // The steps k in [0, major) whose major coordinate lies in [0, majorSize).
  int64_t first = 0, last = major - 1;
  if (majorStep > 0) {
    first = std::max(first, -majorFrom);
    last = std::min(last, majorSize - 1 - majorFrom);
  } else {
    first = std::max(first, majorFrom - (majorSize - 1));
    last = std::min(last, majorFrom);
  }
  for (int64_t k = first; k <= last; ++k) {
    const auto offset = static_cast<int64_t>((static_cast<__int128>(2) * k * minor + major) / (2 * static_cast<__int128>(major)));
    const int64_t mj = majorFrom + majorStep * k, mn = minorFrom + minorStep * offset;
    const int64_t px = xMajor ? mj : mn, py = xMajor ? mn : mj;
    if (px >= 0 && py >= 0 && px < target_.width && py < target_.height)
      PutPixel(static_cast<int>(px), static_cast<int>(py), native);
  }
  cairo_surface_mark_dirty(surface_);
  return true;
}

TColor SdlDeviceContext::GetPixel(int x, int y) {
  if (!cr_ || x < 0 || y < 0 || x >= target_.width || y >= target_.height) return CLR_INVALID;
  Settle();
  return ColourFromNative(ReadNative(target_.pixels + static_cast<size_t>(y) * target_.pitch, x, target_.bits),
                          target_.bits);
}

TColor SdlDeviceContext::SetPixel(int x, int y, TColor colour) {
  if (!cr_ || x < 0 || y < 0 || x >= target_.width || y >= target_.height) return CLR_INVALID;
  Settle();
  const uint32_t native = NativeFromColour(colour, target_.bits);
  PutPixel(x, y, native);
  cairo_surface_mark_dirty_rectangle(surface_, x, y, 1, 1);
  return ColourFromNative(native, target_.bits);
}

void SdlDeviceContext::Draw(int x, int y, const Bitmap& bitmap) {
  StretchDraw({x, y, x + bitmap.Width(), y + bitmap.Height()}, bitmap);
}

void SdlDeviceContext::StretchDraw(const Rect& box, const Bitmap& bitmap) {
  if (!cr_) return;
  Settle();
  StretchBitmap(target_, box, bitmap);
  cairo_surface_mark_dirty(surface_);
}

}  // namespace velmo
