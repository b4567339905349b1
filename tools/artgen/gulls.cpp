#include "gulls.h"

#include <cairo.h>

#include <cmath>

namespace artgen {
namespace {

constexpr float kPi = 3.14159265f;

enum Shade : uint8_t { kBody = 3, kNearWing = 4, kFarWing = 5, kTips = 6, kBeak = 7, kTail = 8, kRim = 9 };

// One moment of the wing beat. `wrist` lifts the arm from the shoulder and
// `hand` the hand from the wrist (+1 up, -1 down); `span` < 1 folds the wing.
// The down-stroke sweeps the stretched wing down; on the way up the wrist
// leads and the hand trails folded, so the eight poses are all different and
// each follows from the one before.
struct Pose {
  float wrist, hand, span;
};
constexpr Pose kBeat[8] = {
    {1.00f, 0.80f, 0.92f},    // 0: wings up
    {0.62f, 0.25f, 1.00f},    // 1
    {0.22f, -0.32f, 1.00f},   // 2: stretched, the arm raised and the hand bowed (also the glide)
    {-0.35f, -0.55f, 1.00f},  // 3
    {-0.90f, -0.70f, 0.95f},  // 4: wings down
    {-0.50f, -1.00f, 0.86f},  // 5: the wrist rises, the hand trails
    {0.25f, -0.80f, 0.80f},   // 6
    {0.80f, 0.05f, 0.86f},    // 7
};

// Draws one gull facing left into a w x h grid of palette indices, sampled
// from a cairo drawing at 8 times the size; a pixel takes the colour of the
// last part covering enough of it, so no edge blends with the key.
// The model is drawn in 30 x 11 units, scaled to a w x h grid: larger
// gulls are drawn afresh at their size, never enlarged from small pixels.
void DrawGull(Indexed& out, int top, Pose pose, float amplitude, bool faceRight, int w = kGullWidth,
              int h = kGullHeight, bool rim = true) {
  constexpr int kSuper = 8;
  const double unitX = static_cast<double>(w) / kGullWidth, unitY = static_cast<double>(h) / kGullHeight;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, w * kSuper, h * kSuper);
  cairo_t* cr = cairo_create(s);
  const int stride = cairo_image_surface_get_stride(s);
  auto layer = [&](uint8_t shade, auto&& draw) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_scale(cr, kSuper * unitX, kSuper * unitY);
    if (faceRight) {
      cairo_translate(cr, kGullWidth, 0);
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
  const float cy = 5.8f;
  const float up = pose.wrist * amplitude, hand = pose.hand * amplitude;
  // One wing from its root outward (dir -1 to the left, +1 to the right):
  // shoulder, wrist and tip, thick at the arm and thin at the hand.
  struct Wing {
    float rx, wx, wy, tx, ty;
  };
  auto wing = [&](float rootX, float dir, float lift) {
    Wing g;
    g.rx = rootX;
    g.wx = rootX + dir * 5.6f * pose.span;
    g.wy = cy - 0.2f - 2.8f * up * lift;
    g.tx = g.wx + dir * 7.4f * pose.span;
    g.ty = g.wy - 2.3f * hand * lift;
    g.ty = std::clamp(g.ty, 0.55f, 10.45f);
    return g;
  };
  const Wing nearWing = wing(14.0f, -1.f, 1.f), farWing = wing(17.2f, 1.f, 0.9f);
  auto armAndHand = [&](const Wing& g) {
    cairo_move_to(cr, g.rx, cy - 1.2f);
    cairo_line_to(cr, g.wx, g.wy - 0.95f);
    cairo_line_to(cr, g.tx, g.ty - 0.5f);
    cairo_line_to(cr, g.tx, g.ty + 0.45f);
    cairo_line_to(cr, g.wx, g.wy + 0.85f);
    cairo_line_to(cr, g.rx, cy + 1.3f);
    cairo_close_path(cr);
    cairo_fill(cr);
  };
  auto tip = [&](const Wing& g) {
    // The outer part of the hand, the darkest of the bird.
    const float f = 0.5f;
    const float mx = g.wx + (g.tx - g.wx) * f, my = g.wy + (g.ty - g.wy) * f;
    cairo_move_to(cr, mx, my - 0.75f);
    cairo_line_to(cr, g.tx - 0.3f * (g.tx > g.wx ? -1 : 1), g.ty - 0.6f);
    cairo_line_to(cr, g.tx, g.ty + 0.6f);
    cairo_line_to(cr, mx, my + 0.75f);
    cairo_close_path(cr);
    cairo_fill(cr);
  };
  // Far wing first, then tail, body and the near wing in front.
  layer(kFarWing, [&] { armAndHand(farWing); });
  layer(kTips, [&] { tip(farWing); });
  layer(kTail, [&] {
    cairo_move_to(cr, 18.5f, cy - 0.8f);
    cairo_line_to(cr, 23.2f, cy - 0.3f);
    cairo_line_to(cr, 23.2f, cy + 1.0f);
    cairo_line_to(cr, 18.5f, cy + 1.2f);
    cairo_close_path(cr);
    cairo_fill(cr);
  });
  layer(kBody, [&] {
    cairo_save(cr);
    cairo_translate(cr, 15.6f, cy + 0.3f);
    cairo_scale(cr, 5.4f, 1.4f);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
    cairo_fill(cr);
  });
  layer(kNearWing, [&] { armAndHand(nearWing); });
  layer(kTips, [&] { tip(nearWing); });
  // Seen a little from below, the head shows in front of the near wing.
  layer(kBody, [&] {
    cairo_arc(cr, 10.6f, cy + 0.9f, 1.25f, 0, 2 * kPi);
    cairo_fill(cr);
  });
  layer(kBeak, [&] {
    cairo_rectangle(cr, 8.0f, cy + 0.6f, 1.3f, 0.9f);
    cairo_fill(cr);
  });
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  if (!rim) return;
  // The sun is low behind and below the gulls: the light catches the lower
  // edge of the body and of the arms near it in a thin warm line.
  for (int x = 0; x < w; ++x)
    for (int y = h - 1; y >= 0; --y) {
      uint8_t& p = out.at(x, top + y);
      if (p == kGullBackgroundIndex) continue;
      const bool inner = std::abs(x - 15 * w / kGullWidth) <= 3 * w / kGullWidth;
      if (p == kBody || p == kTail || (inner && (p == kNearWing || p == kFarWing))) p = kRim;
      break;
    }
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
// two wings from the shoulders through the wrists to dark tips.
void DrawSmallGull(Indexed& out, Pose pose, float amplitude, bool faceRight) {
  auto row = [](float v) { return static_cast<int>(std::lround(std::clamp(v, 0.f, 4.f))); };
  const int wy = row(2.f - 1.1f * pose.wrist * amplitude - 0.2f);
  const int ty = row(2.f - 1.1f * pose.wrist * amplitude - 1.1f * pose.hand * amplitude);
  const int reach = pose.span < 0.9f ? 1 : 0;  // a folded wing ends a pixel short
  auto X = [&](int x) { return faceRight ? 14 - x : x; };
  Line(out, X(7), 2, X(4), wy, kNearWing);
  Line(out, X(4), wy, X(1 + reach), ty, kNearWing);
  Plot(out, X(1 + reach), ty, kTips);
  Line(out, X(9), 2, X(11), wy, kFarWing);
  Line(out, X(11), wy, X(13 - reach), ty, kFarWing);
  Plot(out, X(13 - reach), ty, kTips);
  Line(out, X(5), 2, X(10), 2, kBody);
  Line(out, X(6), 3, X(9), 3, kBody);
  Plot(out, X(11), 3, kTail);
  Plot(out, X(4), 2, kBody);
}

}  // namespace

Indexed GullStrip(bool small, int scale) {
  // Times one the small gull is kept in 30 x 11 frames and shown halved;
  // larger ones are drawn at the size they are shown.
  const int frameW = scale == 1 || !small ? kGullWidth * scale : 15 * scale;
  const int frameH = scale == 1 || !small ? kGullHeight * scale : 5 * scale;
  Indexed strip(frameW, frameH * kGullFrames);
  PaletteColour background = small ? PaletteColour{62, 37, 226} : PaletteColour{45, 13, 255};
  strip.palette[kGullBackgroundIndex] = background;
  // Seen against the low sun the gulls are dark: the far ones darker still
  // and flat, the near ones with a little shape and a warm rim.
  if (small) {
    strip.palette[kBody] = {50, 47, 56};
    strip.palette[kNearWing] = {55, 52, 61};
    strip.palette[kFarWing] = {48, 45, 54};
    strip.palette[kTips] = {36, 34, 41};
    strip.palette[kBeak] = {70, 58, 50};
    strip.palette[kTail] = {52, 49, 58};
    strip.palette[kRim] = {74, 60, 60};
  } else {
    strip.palette[kBody] = {66, 61, 70};
    strip.palette[kNearWing] = {80, 74, 84};
    strip.palette[kFarWing] = {62, 58, 68};
    strip.palette[kTips] = {34, 32, 38};
    strip.palette[kBeak] = {236, 186, 70};
    strip.palette[kTail] = {72, 67, 76};
    strip.palette[kRim] = {210, 140, 96};
  }
  std::fill(strip.index.begin(), strip.index.end(), kGullBackgroundIndex);
  // Wing amplitude by course: the fast courses beat hardest.
  constexpr float kAmplitude[5] = {1.0f, 0.85f, 0.7f, 0.85f, 1.0f};
  for (int group = 0; group < 5; ++group)
    for (int pose = 0; pose < 8; ++pose) {
      const int frame = group * 8 + pose;
      const bool right = group >= 3;
      if (!small || scale > 1) {
        DrawGull(strip, frame * frameH, kBeat[pose], kAmplitude[group], right, frameW, frameH, !small);
        continue;
      }
      // Drawn at 15 x 5 and doubled, so that every other pixel is the bird.
      Indexed tiny(15, 6);
      std::fill(tiny.index.begin(), tiny.index.end(), kGullBackgroundIndex);
      DrawSmallGull(tiny, kBeat[pose], kAmplitude[group], right);
      for (int y = 0; y < 10; ++y)
        for (int x = 0; x < kGullWidth; ++x) strip.at(x, frame * kGullHeight + y) = tiny.at(x / 2, y / 2);
    }
  // The key colour must sit in every frame's top-left pixel.
  for (int f = 0; f < kGullFrames; ++f) strip.at(0, f * frameH) = kGullBackgroundIndex;
  return strip;
}

}  // namespace artgen
