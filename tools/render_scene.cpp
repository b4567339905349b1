// Renders the composed scene from the embedded assets, through the program's
// own decoders, to PNG files for a person to look at.
// Usage: velmo_render_scene OUT_DIR [WIDTH HEIGHT]
// Writes scene.png (sea frame 0), scene_frame16.png, sea_frames.png (frames
// 30, 31, 0, 1 stacked) and gulls.png (both strips enlarged 6 times).
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/picture_codec.h"
#include "resources/catalogue.h"

using velmo::Bitmap;

namespace {

struct Canvas {
  int width, height;
  std::vector<uint32_t> px;  // 0x00RRGGBB
  Canvas(int w, int h) : width(w), height(h), px(static_cast<size_t>(w) * h, 0) {}
};

uint32_t Rgb(velmo::TColor c) { return (velmo::RedOf(c) << 16) | (velmo::GreenOf(c) << 8) | velmo::BlueOf(c); }

// Nearest-pixel stretch of the rows [top, top + rows) of `src` into the box;
// pixels equal to the frame's top-left colour are skipped when `keyed`.
void Blit(Canvas& dst, const Bitmap& src, int top, int rows, int x0, int y0, int w, int h, bool keyed) {
  const velmo::TColor key = src.PixelColour(0, top);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int dx = x0 + x, dy = y0 + y;
      if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
      const velmo::TColor c = src.PixelColour(x * src.Width() / w, top + y * rows / h);
      if (keyed && c == key) continue;
      dst.px[static_cast<size_t>(dy) * dst.width + dx] = Rgb(c);
    }
}

bool Save(const Canvas& c, const std::string& path) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, c.width, c.height);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride)[x] = c.px[static_cast<size_t>(y) * c.width + x];
  cairo_surface_mark_dirty(s);
  const bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  if (!ok) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return ok;
}

Bitmap Load(const char* name, std::string_view type) {
  Bitmap b;
  std::string error;
  const velmo::resources::Resource* r = velmo::resources::Find(name, type);
  if (!r) {
    std::fprintf(stderr, "no resource %s\n", name);
    std::exit(1);
  }
  const bool ok = type == velmo::resources::kTypeJpeg ? velmo::DecodeJpeg(r->data, b, &error)
                                                      : velmo::DecodeBmp(r->data, b, &error);
  if (!ok) {
    std::fprintf(stderr, "%s: %s\n", name, error.c_str());
    std::exit(1);
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT_DIR [WIDTH HEIGHT]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const int W = argc > 3 ? std::atoi(argv[2]) : 800, H = argc > 3 ? std::atoi(argv[3]) : 600;
  const Bitmap ground = Load("Image1ground", velmo::resources::kTypeJpeg);
  const Bitmap sea = Load("Image1sea", velmo::resources::kTypeJpeg);
  const Bitmap rocks = Load("DDbmp1stone", velmo::resources::kTypeBitmap);
  const Bitmap bird = Load("DDani1bird", velmo::resources::kTypeBitmap);
  const Bitmap small = Load("DDani1birds_small", velmo::resources::kTypeBitmap);

  bool ok = true;
  for (int frame : {0, 16}) {
    Canvas c(W, H);
    Blit(c, ground, 0, 385, 0, 0, W, H * 385 / 600, false);
    Blit(c, sea, frame * 166, 166, 0, H * 380 / 600, W, H * 166 / 600, false);
    Blit(c, rocks, 0, 177, 0, H * 423 / 600, W, H * 177 / 600, true);
    struct Gull {
      bool small;
      int frame, x, y;
    };
    for (const Gull& g : {Gull{false, 2, W * 520 / 800, H * 230 / 600}, Gull{false, 28, W * 300 / 800, H * 265 / 600},
                          Gull{true, 12, W * 610 / 800, H * 214 / 600}, Gull{true, 35, W * 220 / 800, H * 300 / 600},
                          Gull{false, 5, W * 680 / 800, H * 300 / 600}}) {
      const int f = (g.frame + frame) % 8 + g.frame / 8 * 8;
      Blit(c, g.small ? small : bird, f * 11, 11, g.x, g.y, g.small ? 15 : 30, g.small ? 5 : 11, true);
    }
    ok &= Save(c, dir + (frame == 0 ? "/scene.png" : "/scene_frame16.png"));
  }
  Canvas frames(800, 166 * 4);
  int slot = 0;
  for (int f : {30, 31, 0, 1}) Blit(frames, sea, f * 166, 166, 0, 166 * slot++, 800, 166, false);
  ok &= Save(frames, dir + "/sea_frames.png");

  constexpr int kZoom = 6;
  Canvas gulls(30 * kZoom * 10 + 9 * 4, 11 * kZoom * 8 + 7 * 4);
  for (size_t i = 0; i < gulls.px.size(); ++i) gulls.px[i] = 0x404040;
  for (int s = 0; s < 2; ++s)
    for (int f = 0; f < 40; ++f) {
      const int col = (f / 8) + 5 * s, row = f % 8;
      Blit(gulls, s ? small : bird, f * 11, 11, col * (30 * kZoom + 4), row * (11 * kZoom + 4), 30 * kZoom,
           11 * kZoom, false);
    }
  ok &= Save(gulls, dir + "/gulls.png");
  return ok ? 0 : 1;
}
