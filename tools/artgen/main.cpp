// Writes every picture and the sound of the program into one directory.
// Usage: velmo_artgen OUTPUT_DIR [LOOK_DIR]
// With LOOK_DIR it also writes PNG views of the art for people to check.
#include <cairo.h>

#include <cstdio>
#include <string>

#include "encoders.h"
#include "gulls.h"
#include "scenery.h"
#include "surf.h"

namespace artgen {
namespace {

constexpr int kPreviewWidth = 154;
constexpr int kPreviewHeight = 116;

Rgb PaletteRgb(const PaletteColour& c) { return {c.r / 255.f, c.g / 255.f, c.b / 255.f}; }

// The frame (the 800 x 600 screen the scene was composed for) with sea
// frame `sea` and a few gulls, the still pictures shrunk to it.
Image Compose(const Image& ground, const Image& sea, const Indexed& rocks, const Indexed& big, const Indexed& small) {
  Image out(kWidth, 600);
  const int left = -kCanvasLeft;  // the frame's first column on the canvas
  ForEachRow(600, [&](int y) {
    for (int x = 0; x < kWidth; ++x) {
      Rgb c;
      if (y < kGroundHeight) {
        Rgb sum;
        float n = 0;
        for (int sy = static_cast<int>((y - kCanvasTop) * kDetail); sy < static_cast<int>((y + 1 - kCanvasTop) * kDetail); ++sy)
          for (int sx = static_cast<int>((x + left) * kDetail); sx < static_cast<int>((x + left + 1) * kDetail); ++sx, ++n)
            sum = sum + ground.at(sx, sy);
        c = sum * (1.f / n);
      }
      if (y >= kSeaTop && y < kSeaTop + kSeaHeight) c = sea.at(x + left, y - kSeaTop);
      if (y >= kRockTop) {
        Rgb sum;
        int n = 0, shown = 0;
        for (int sy = static_cast<int>((y - kRockTop) * kDetail); sy < std::min(rocks.height, static_cast<int>((y + 1 - kRockTop) * kDetail)); ++sy)
          for (int sx = static_cast<int>((x + left) * kDetail); sx < static_cast<int>((x + left + 1) * kDetail); ++sx, ++n) {
            const uint8_t i = rocks.index[static_cast<size_t>(sy) * rocks.width + sx];
            if (i == 0) continue;
            sum = sum + PaletteRgb(rocks.palette[i]);
            ++shown;
          }
        if (shown * 2 > n) c = sum * (1.f / shown);
      }
      out.at(x, y) = c;
    }
  });
  struct Placed {
    bool small;
    int frame, x, y;
  };
  const Placed gulls[] = {{false, 2, 520, 230}, {false, 28, 300, 265}, {true, 12, 610, 214},
                          {true, 35, 220, 300}, {false, 5, 680, 300}};
  for (const Placed& g : gulls) {
    const Indexed& strip = g.small ? small : big;
    const int w = g.small ? 15 : kGullWidth, h = g.small ? 5 : kGullHeight;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int sx = x * kGullWidth / w, sy = g.frame * kGullHeight + y * kGullHeight / h;
        const uint8_t i = strip.index[static_cast<size_t>(sy) * kGullWidth + sx];
        if (i != kGullBackgroundIndex) out.at(g.x + x, g.y + y) = PaletteRgb(strip.palette[i]);
      }
  }
  return out;
}

Image Shrink(const Image& in, int w, int h) {
  Image out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int x0 = x * in.width / w, x1 = std::max(x0 + 1, (x + 1) * in.width / w);
      const int y0 = y * in.height / h, y1 = std::max(y0 + 1, (y + 1) * in.height / h);
      Rgb sum;
      for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx) sum = sum + in.at(sx, sy);
      out.at(x, y) = sum * (1.f / ((x1 - x0) * (y1 - y0)));
    }
  return out;
}

bool WriteIcon(const std::string& path) {
  constexpr int kSize = 64;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
  cairo_t* cr = cairo_create(s);
  cairo_new_sub_path(cr);
  const double r = 12;
  cairo_arc(cr, kSize - r - 2, r + 2, r, -1.5708, 0);
  cairo_arc(cr, kSize - r - 2, kSize - r - 2, r, 0, 1.5708);
  cairo_arc(cr, r + 2, kSize - r - 2, r, 1.5708, 3.14159);
  cairo_arc(cr, r + 2, r + 2, r, 3.14159, 4.71239);
  cairo_close_path(cr);
  cairo_clip(cr);
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, 40);
  cairo_pattern_add_color_stop_rgb(sky, 0, 0.18, 0.20, 0.40);
  cairo_pattern_add_color_stop_rgb(sky, 0.55, 0.78, 0.46, 0.50);
  cairo_pattern_add_color_stop_rgb(sky, 1, 1.0, 0.75, 0.50);
  cairo_set_source(cr, sky);
  cairo_paint(cr);
  cairo_pattern_destroy(sky);
  cairo_set_source_rgb(cr, 1.0, 0.93, 0.75);
  cairo_arc(cr, 22, 38, 8, 0, 6.2832);
  cairo_fill(cr);
  cairo_pattern_t* sea = cairo_pattern_create_linear(0, 40, 0, 64);
  cairo_pattern_add_color_stop_rgb(sea, 0, 0.62, 0.45, 0.45);
  cairo_pattern_add_color_stop_rgb(sea, 1, 0.10, 0.13, 0.20);
  cairo_set_source(cr, sea);
  cairo_rectangle(cr, 0, 40, kSize, 24);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 1.0, 0.85, 0.6);
  for (int i = 0; i < 4; ++i) {
    cairo_rectangle(cr, 18 + (i % 2) * 3, 43 + i * 4, 8 - i, 1.5);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, 0.97, 0.97, 0.95);
  cairo_set_line_width(cr, 2.4);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, 30, 18);
  cairo_curve_to(cr, 35, 13, 40, 14, 43, 20);
  cairo_curve_to(cr, 46, 14, 51, 13, 56, 17);
  cairo_stroke(cr);
  cairo_destroy(cr);
  const bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

int Run(const std::string& dir, const std::string& look) {
  bool ok = true;
  auto write = [&](const std::string& name, const Bytes& bytes) {
    if (!WriteFile(dir + "/" + name, bytes)) {
      std::fprintf(stderr, "artgen: cannot write %s/%s\n", dir.c_str(), name.c_str());
      ok = false;
    }
  };
  const Scenery scenery;
  const Image& ground = scenery.Ground();
  write("image1ground.jpg", EncodeJpeg(ground, 90));

  Image strip(kCanvasWidth, kSeaHeight * kSeaFrames);
  Image firstSea;
  for (int f = 0; f < kSeaFrames; ++f) {
    const Image frame = scenery.SeaFrame(f);
    if (f == 0) firstSea = frame;
    std::copy(frame.px.begin(), frame.px.end(), strip.px.begin() + static_cast<size_t>(f) * frame.px.size());
  }
  // The 32 frames are kept in memory as the file's planes: colour at half
  // resolution. Each frame starts on an even row, so no 2 x 2 colour block
  // spans two frames, and the program repeats each colour sample over its
  // block (no neighbouring rows mixed in): no frame's colour reaches into
  // the next.
  static_assert(kSeaHeight % 2 == 0, "a colour block would span two sea frames");
  write("image1sea.jpg", EncodeJpeg(strip, 90, true));

  std::vector<bool> isRock;
  const Image rockArt = scenery.Rocks(isRock);
  Indexed rocks(rockArt.width, rockArt.height);
  rocks.palette[0] = {8, 8, 8};  // the see-through colour
  Quantise(rockArt, isRock, 1, 255, rocks);
  for (size_t i = 0; i < isRock.size(); ++i)
    if (!isRock[i]) rocks.index[i] = 0;
  if (rocks.index[0] != 0) {
    std::fprintf(stderr, "artgen: the rocks' top-left pixel must show the sea\n");
    return 1;
  }
  {
    // Whichever is smaller: grained stone makes short runs.
    const Bytes rle = EncodeBmp8(rocks, true), plain = EncodeBmp8(rocks, false);
    write("ddbmp1stone.bmp", rle.size() < plain.size() ? rle : plain);
  }

  const Indexed big = GullStrip(false);
  const Indexed small = GullStrip(true);
  write("ddani1bird.bmp", EncodeBmp8(big, true));
  write("ddani1birds_small.bmp", EncodeBmp8(small, true));
  for (int scale = 2; scale <= kGullMaxScale; ++scale) {
    const std::string x = "_x" + std::to_string(scale) + ".bmp";
    write("ddani1bird" + x, EncodeBmp8(GullStrip(false, scale), true));
    write("ddani1birds_small" + x, EncodeBmp8(GullStrip(true, scale), true));
  }

  const Image scene = Compose(ground, firstSea, rocks, big, small);
  const Image mini = Shrink(scene, kPreviewWidth, kPreviewHeight);
  Indexed preview(kPreviewWidth, kPreviewHeight);
  Quantise(mini, {}, 0, 256, preview);
  const Bytes previewBmp = EncodeBmp8(preview, false);
  write("prev_bitmap.bmp", previewBmp);
  write("image1.bmp", previewBmp);

  Bytes wave;
  if (!MakeSurfWave(wave)) return 1;
  write("soundname.wav", wave);
  if (!WriteIcon(dir + "/mainicon.png")) {
    std::fprintf(stderr, "artgen: cannot write the icon\n");
    ok = false;
  }

  if (!look.empty()) {
    for (int scale = 2; scale <= kGullMaxScale; ++scale) {
      for (bool far : {false, true}) {
        Indexed gulls = GullStrip(far, scale);
        Image view(gulls.width, gulls.height);
        for (int y = 0; y < gulls.height; ++y)
          for (int x = 0; x < gulls.width; ++x) view.at(x, y) = PaletteRgb(gulls.palette[gulls.at(x, y)]);
        WritePng(look + (far ? "/gulls_small_x" : "/gulls_x") + std::to_string(scale) + ".png", view);
      }
    }
    WritePng(look + "/scene.png", scene);
    WritePng(look + "/sea_strip_0_3.png", [&] {
      Image four(kCanvasWidth, kSeaHeight * 4);
      std::copy(strip.px.begin(), strip.px.begin() + four.px.size(), four.px.begin());
      return four;
    }());
  }
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace artgen

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR [LOOK_DIR]\n", argv[0]);
    return 2;
  }
  return artgen::Run(argv[1], argc > 2 ? argv[2] : "");
}
