#include "gulls.h"

#include <cairo.h>

#include <cmath>

namespace artgen {
namespace {

constexpr float kPi = 3.14159265f;

enum Shade : uint8_t { kBody = 3, kUpperWing = 4, kWingEdge = 5, kTips = 6, kBeak = 7, kTail = 8 };

// Draws one gull facing left into a w x h grid of palette indices, sampled
// from a cairo drawing at 8 times the size; a pixel takes the colour of the
// last part covering more than half of it, so no edge blends with the key.
void DrawGull(Indexed& out, int top, int w, int h, float wing, bool faceRight, float scale) {
  constexpr int kSuper = 8;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, w * kSuper, h * kSuper);
  cairo_t* cr = cairo_create(s);
  const int stride = cairo_image_surface_get_stride(s);
  auto layer = [&](uint8_t shade, auto&& draw) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_scale(cr, kSuper * scale, kSuper * scale);
    if (faceRight) {
      cairo_translate(cr, w / scale, 0);
      cairo_scale(cr, -1, 1);
    }
    draw();
    cairo_restore(cr);
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int sum = 0;
        for (int sy = 0; sy < kSuper; ++sy)
          for (int sx = 0; sx < kSuper; ++sx) sum += data[(y * kSuper + sy) * stride + x * kSuper + sx];
        if (sum > 255 * kSuper * kSuper * 0.4f) out.at(x, top + y) = shade;
      }
  };
  // Geometry in a 30 x 11 box; the bird faces left. wing: +1 up, -1 down.
  const float cy = 6.0f;
  const float shoulderX = 14.0f;
  const float elbowX = 8.5f, tipX = 1.2f;
  const float elbowY = cy - 0.6f - 2.6f * wing - 0.5f * std::fabs(wing);
  const float tipY = cy - 5.0f * wing + 0.4f;
  const float farElbowX = 21.5f, farTipX = 28.8f;
  auto wingPath = [&](float ex, float ey, float tx, float ty, float inner) {
    cairo_move_to(cr, shoulderX + inner, cy - 0.9f);
    cairo_line_to(cr, ex, ey - 1.1f);
    cairo_line_to(cr, tx, ty - 0.5f);
    cairo_line_to(cr, tx, ty + 0.6f);
    cairo_line_to(cr, ex + (tx < ex ? 1.0f : -1.0f), ey + 1.2f);
    cairo_line_to(cr, shoulderX + inner, cy + 1.3f);
    cairo_close_path(cr);
    cairo_fill(cr);
  };
  // Tail, then body, then both wings, then head details.
  layer(kTail, [&] {
    cairo_move_to(cr, 18.5f, cy - 0.9f);
    cairo_line_to(cr, 23.5f, cy - 0.5f);
    cairo_line_to(cr, 23.5f, cy + 1.1f);
    cairo_line_to(cr, 18.5f, cy + 1.2f);
    cairo_close_path(cr);
    cairo_fill(cr);
  });
  layer(kBody, [&] {
    cairo_save(cr);
    cairo_translate(cr, 15.5f, cy + 0.2f);
    cairo_scale(cr, 5.6f, 1.45f);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
    cairo_fill(cr);
    cairo_arc(cr, 10.3f, cy - 0.5f, 1.35f, 0, 2 * kPi);  // head
    cairo_fill(cr);
  });
  layer(kUpperWing, [&] {
    wingPath(elbowX, elbowY, tipX, tipY, 0.f);
    wingPath(farElbowX, elbowY + 0.3f, farTipX, tipY + 0.5f, 2.0f);
  });
  layer(kWingEdge, [&] {
    // The trailing edge of the near wing, a shade darker.
    cairo_move_to(cr, shoulderX, cy + 0.3f);
    cairo_line_to(cr, elbowX, elbowY + 0.4f);
    cairo_line_to(cr, elbowX, elbowY + 1.3f);
    cairo_line_to(cr, shoulderX, cy + 1.2f);
    cairo_close_path(cr);
    cairo_fill(cr);
  });
  layer(kTips, [&] {
    auto tip = [&](float ex, float ey, float tx, float ty) {
      const float f = 0.6f;  // the outer part of the hand is black
      const float mx = ex + (tx - ex) * f, my = ey + (ty - ey) * f;
      cairo_move_to(cr, mx, my - 1.0f);
      cairo_line_to(cr, tx, ty - 0.6f);
      cairo_line_to(cr, tx, ty + 0.7f);
      cairo_line_to(cr, mx, my + 1.1f);
      cairo_close_path(cr);
      cairo_fill(cr);
    };
    tip(elbowX, elbowY, tipX, tipY);
    tip(farElbowX, elbowY + 0.3f, farTipX, tipY + 0.5f);
  });
  layer(kBeak, [&] {
    cairo_rectangle(cr, 7.6f, cy - 0.9f, 1.6f, 1.0f);
    cairo_fill(cr);
  });
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}

void Plot(Indexed& out, int x, int y, uint8_t shade) {
  if (x >= 0 && y >= 0 && x < out.width && y < out.height) out.at(x, y) = shade;
}

// A straight run of pixels from (x0, y0) to (x1, y1), every step touching
// the last, so the wing never breaks apart.
void Line(Indexed& out, int x0, int y0, int x1, int y1, uint8_t shade) {
  const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int i = 0; i <= steps; ++i) {
    const float t = steps ? static_cast<float>(i) / steps : 0.f;
    Plot(out, static_cast<int>(std::lround(x0 + (x1 - x0) * t)), static_cast<int>(std::lround(y0 + (y1 - y0) * t)),
         shade);
  }
}

// The distant gull at 15 x 5, pixel by pixel: a body, a head to the left and
// two wings from the shoulders through the elbows to dark tips.
void DrawSmallGull(Indexed& out, float wing, bool faceRight) {
  const int ey = static_cast<int>(std::lround(2.f - 1.2f * wing - 0.3f));
  const int ty = static_cast<int>(std::lround(2.f - 2.f * wing));
  auto X = [&](int x) { return faceRight ? 14 - x : x; };
  Line(out, X(7), 2, X(4), ey, kUpperWing);
  Line(out, X(4), ey, X(1), ty, kUpperWing);
  Plot(out, X(1), ty, kTips);
  Plot(out, X(2), std::lround(ty + (ey - ty) / 3.f), kTips);
  Line(out, X(9), 2, X(11), ey, kUpperWing);
  Line(out, X(11), ey, X(13), ty, kUpperWing);
  Plot(out, X(13), ty, kTips);
  Line(out, X(5), 2, X(10), 2, kBody);
  Line(out, X(6), 3, X(9), 3, kBody);
  Plot(out, X(11), 3, kTail);
  Plot(out, X(4), 2, kBody);
}

}  // namespace

Indexed GullStrip(bool small) {
  Indexed strip(kGullWidth, kGullHeight * kGullFrames);
  PaletteColour background = small ? PaletteColour{62, 37, 226} : PaletteColour{45, 13, 255};
  strip.palette[kGullBackgroundIndex] = background;
  if (small) {
    strip.palette[kBody] = {168, 164, 172};
    strip.palette[kUpperWing] = {128, 126, 136};
    strip.palette[kWingEdge] = {104, 102, 112};
    strip.palette[kTips] = {30, 28, 34};
    strip.palette[kBeak] = {150, 120, 70};
    strip.palette[kTail] = {140, 138, 146};
  } else {
    strip.palette[kBody] = {250, 248, 242};
    strip.palette[kUpperWing] = {204, 206, 214};
    strip.palette[kWingEdge] = {160, 162, 172};
    strip.palette[kTips] = {26, 26, 30};
    strip.palette[kBeak] = {236, 186, 70};
    strip.palette[kTail] = {226, 226, 230};
  }
  std::fill(strip.index.begin(), strip.index.end(), kGullBackgroundIndex);
  // Wing amplitude by course: the fast courses beat hardest.
  constexpr float kAmplitude[5] = {1.0f, 0.85f, 0.7f, 0.85f, 1.0f};
  for (int group = 0; group < 5; ++group)
    for (int pose = 0; pose < 8; ++pose) {
      // Pose 0 wings up, 2 level (the glide pose), 4 down, 6 level again.
      const float wing = kAmplitude[group] * std::cos(2 * kPi * pose / 8.f);
      const int frame = group * 8 + pose;
      const bool right = group >= 3;
      if (!small) {
        DrawGull(strip, frame * kGullHeight, kGullWidth, kGullHeight, wing, right, 1.f);
        continue;
      }
      // Drawn at 15 x 5 and doubled, so that every other pixel is the bird.
      Indexed tiny(15, 6);
      std::fill(tiny.index.begin(), tiny.index.end(), kGullBackgroundIndex);
      DrawSmallGull(tiny, wing, right);
      for (int y = 0; y < 10; ++y)
        for (int x = 0; x < kGullWidth; ++x) strip.at(x, frame * kGullHeight + y) = tiny.at(x / 2, y / 2);
    }
  // The key colour must sit in every frame's top-left pixel.
  for (int f = 0; f < kGullFrames; ++f) strip.at(0, f * kGullHeight) = kGullBackgroundIndex;
  return strip;
}

}  // namespace artgen
