#include "scenery.h"

#include <array>
#include <atomic>
#include <thread>

namespace artgen {
namespace {

constexpr float kPi = 3.14159265f;
constexpr float kSunX = 150.f;
constexpr float kSunY = 352.f;
constexpr float kSunRadius = 13.f;
constexpr uint32_t kSeed = 20240611u;
// The canvas's top row as a share of the height of the frame's sky.
constexpr float kTopOfSky = (kHorizon - kCanvasTop) / kHorizon;

// Sea geometry: the camera looks at the horizon from a few metres up.
constexpr float kPixelAngle = 0.0012f;  // radians per pixel
constexpr float kEyeHeight = 3.f;       // metres

struct Wave {
  float length;  // metres
  float angle;   // direction of travel, degrees from straight at the viewer
  float slope;   // steepness (amplitude x wave number)
  int cycles;    // whole periods in the 32 frames, so the sea loops
};
constexpr std::array<Wave, 8> kWaves{{
    {11.f, 8.f, 0.050f, 1},
    {6.5f, -22.f, 0.050f, 1},
    {3.4f, 33.f, 0.045f, 2},
    {2.2f, -41.f, 0.045f, 2},
    {1.2f, 14.f, 0.040f, 3},
    {0.75f, -58.f, 0.035f, 3},
    {0.48f, 67.f, 0.030f, 4},
    {0.32f, -12.f, 0.028f, 5},
}};

Rgb SkyGradient(float x, float y) {
  // 0 at the horizon, 1 at the frame's top, on to the canvas's top above it.
  const float e = std::clamp((kHorizon - y) / kHorizon, 0.f, kTopOfSky);
  struct Stop {
    float at;
    Rgb colour;
  };
  static const std::array<Stop, 7> stops{{
      {0.00f, {1.00f, 0.80f, 0.56f}},
      {0.07f, {0.99f, 0.64f, 0.43f}},
      {0.22f, {0.82f, 0.47f, 0.48f}},
      {0.45f, {0.50f, 0.37f, 0.53f}},
      {0.75f, {0.27f, 0.26f, 0.46f}},
      {1.00f, {0.16f, 0.19f, 0.38f}},
      {kTopOfSky, {0.09f, 0.11f, 0.27f}},
  }};
  Rgb warm = stops.back().colour;
  for (size_t i = 1; i < stops.size(); ++i) {
    if (e <= stops[i].at) {
      warm = Mix(stops[i - 1].colour, stops[i].colour, (e - stops[i - 1].at) / (stops[i].at - stops[i - 1].at));
      break;
    }
  }
  // Away from the sun the sky cools toward violet.
  const Rgb cool = warm * Rgb{0.78f, 0.80f, 1.02f};
  const float nearSun = std::exp(-std::fabs(x - kSunX) / 520.f);
  return Mix(cool, warm, nearSun);
}

constexpr Rgb kSunColour{1.f, 0.99f, 0.93f};
// The sea never mirrors more light than the disc gives.
constexpr Rgb kBrightestMirror{0.97f, 0.92f, 0.80f};

Rgb SunLight(float x, float y) {
  const float dx = x - kSunX, dy = (y - kSunY) * 1.15f;
  const float dist = std::sqrt(dx * dx + dy * dy);
  Rgb c = Rgb{1.f, 0.70f, 0.40f} * (0.34f * std::exp(-dist / 34.f)) + Rgb{1.f, 0.56f, 0.32f} * (0.22f * std::exp(-dist / 170.f));
  // A haze of light along the horizon under the sun.
  c = c + Rgb{1.f, 0.7f, 0.45f} * (0.28f * std::exp(-(kHorizon - y) / 22.f) * std::exp(-std::fabs(x - kSunX) / 330.f));
  return c;
}

float SunDisc(float x, float y) {
  const float dx = x - kSunX, dy = y - kSunY;
  return Smooth(kSunRadius + 1.2f, kSunRadius - 1.2f, std::sqrt(dx * dx + dy * dy));
}

// Stratus clouds on a plane above the sea, seen in perspective.
float CloudDensity(float x, float y) {
  const float e = (kHorizon - y) / kHorizon;
  if (e <= 0.02f) return 0.f;
  const float depth = 1.f / (e + 0.05f);
  const float u = (x - 400.f) / 800.f * depth * 1.6f + 7.3f;
  const float v = depth * 2.2f;
  float n = Fbm(u * 1.3f, v * 1.1f, kSeed + 7, 5);
  // Long streaks: stretch a second field along the horizon.
  n = 0.65f * n + 0.35f * Fbm(u * 0.45f, v * 2.6f, kSeed + 19, 4);
  const float threshold = 0.47f + 0.08f * Smooth(0.35f, 0.05f, e) + 0.05f * Smooth(0.6f, 1.f, e);
  return Smooth(threshold, threshold + 0.16f, n) * Smooth(0.02f, 0.09f, e);
}

Rgb CloudColour(float x, float y, float density) {
  const float e = (kHorizon - y) / kHorizon;
  const float dx = kSunX - x, dy = kSunY - y;
  const float dist = std::max(std::sqrt(dx * dx + dy * dy), 1.f);
  // Edges that face the sun catch its light.
  const float toward = CloudDensity(x + dx / dist * 7.f, y + dy / dist * 7.f);
  const float edge = Clamp01((density - toward) * 2.2f + 0.15f);
  const float nearSun = std::exp(-dist / 380.f);
  const Rgb shadow = Mix(Rgb{0.46f, 0.32f, 0.40f}, Rgb{0.21f, 0.19f, 0.31f}, Smooth(0.1f, 0.9f, e));
  const Rgb lit = Mix(Rgb{0.96f, 0.56f, 0.52f}, Rgb{1.f, 0.78f, 0.48f}, nearSun);
  // Undersides glow pink the higher they are; thin veils let light through.
  const float glow = Clamp01(0.25f + 0.75f * edge) * (0.35f + 0.65f * nearSun) + 0.25f * (1.f - density);
  return Mix(shadow, lit, Clamp01(glow));
}

// Top rows of the two hill ridges at the lower right (the far one first).
float FarRidge(float x) {
  // Where the ridge has sunk below the horizon it leaves no strip of land.
  const float rise = Smooth(430.f, 640.f, x) * Smooth(1330.f, 1110.f, x);
  return kHorizon - (44.f * rise - 3.f + 12.f * (Fbm(x / 55.f, 3.1f, kSeed + 3, 4) - 0.5f) * rise);
}
float NearRidge(float x) {
  const float rise = Smooth(560.f, 720.f, x) * (1.f - 0.25f * Smooth(760.f, 800.f, x)) * Smooth(1240.f, 1030.f, x);
  return kHorizon - (33.f * rise - 3.f + 9.f * (Fbm(x / 38.f, 8.7f, kSeed + 5, 4) - 0.5f) * rise);
}

Rgb SkyPoint(float x, float y) {
  Rgb c = SkyGradient(x, y) + SunLight(x, y);
  const float d = CloudDensity(x, y);
  if (d > 0.f) {
    const float dx = x - kSunX, dy = y - kSunY;
    const float veil = 1.f - 0.45f * std::exp(-std::sqrt(dx * dx + dy * dy) / 30.f);
    c = Mix(c, CloudColour(x, y, d), d * 0.93f * veil);
  }
  // The disc shines through the thin veils low on the sky: it stays the
  // brightest thing in the picture, brighter than its mirror image.
  c = Mix(c, kSunColour, SunDisc(x, y) * (1.f - 0.25f * d));
  if (y > FarRidge(x)) {
    const float haze = Smooth(FarRidge(x), kHorizon, y);
    c = Mix(Rgb{0.42f, 0.30f, 0.40f}, Rgb{0.66f, 0.46f, 0.46f}, 0.35f + 0.5f * haze);
  }
  if (y > NearRidge(x)) {
    const float haze = Smooth(NearRidge(x), kHorizon, y);
    c = Mix(Rgb{0.25f, 0.18f, 0.26f}, Rgb{0.42f, 0.29f, 0.34f}, 0.6f * haze);
  }
  return c;
}

}  // namespace

namespace {

// The mean of `in` over the box [x0, x1) x [y0, y1) in its pixels, partly
// covered pixels weighted by the part inside.
Rgb AreaMean(const Image& in, float x0, float y0, float x1, float y1) {
  Rgb sum;
  float weight = 0;
  for (int y = std::max(0, static_cast<int>(y0)); y < std::min(in.height, static_cast<int>(std::ceil(y1))); ++y) {
    const float wy = std::min(y1, y + 1.f) - std::max(y0, static_cast<float>(y));
    for (int x = std::max(0, static_cast<int>(x0)); x < std::min(in.width, static_cast<int>(std::ceil(x1))); ++x) {
      const float w = wy * (std::min(x1, x + 1.f) - std::max(x0, static_cast<float>(x)));
      sum = sum + in.at(x, y) * w;
      weight += w;
    }
  }
  return weight > 0 ? sum * (1.f / weight) : Rgb{};
}

}  // namespace

void ForEachRow(int rows, const std::function<void(int)>& body) {
  const int workers = std::max(1u, std::min(std::thread::hardware_concurrency(), 8u));
  std::atomic<int> next{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < workers; ++i)
    threads.emplace_back([&] {
      for (int row; (row = next++) < rows;) body(row);
    });
  for (std::thread& t : threads) t.join();
}

Scenery::Scenery()
    : ground_(kGroundPixelsWide, kGroundPixelsHigh),
      sky_(kCanvasWidth, static_cast<int>(std::ceil(kHorizon)) - kCanvasTop) {
  // One sample a pixel: at kDetail pixels a unit the edges of the clouds,
  // hills and disc are already finer than any screen shows them, except
  // along the horizon, where four samples blend sky and sea.
  const int skyRows = static_cast<int>((kHorizon - kCanvasTop) * kDetail);  // wholly above the horizon
  auto draw = [&](int row) {
    const float top = kCanvasTop + row / kDetail, bottom = kCanvasTop + (row + 1) / kDetail;
    auto at = [&](float x, float y) { return y < kHorizon ? SkyPoint(x, y) : SeaPixel(x, y, 0); };
    for (int col = 0; col < ground_.width; ++col) {
      const float x = kCanvasLeft + (col + 0.5f) / kDetail;
      if (bottom <= kHorizon || top >= kHorizon) {
        ground_.at(col, row) = at(x, (top + bottom) / 2);
        continue;
      }
      Rgb sum;
      for (float oy : {0.25f, 0.75f})
        for (float ox : {-0.25f, 0.25f}) sum = sum + at(x + ox / kDetail, top + oy / kDetail);
      ground_.at(col, row) = sum * 0.25f;
    }
  };
  ForEachRow(skyRows, draw);
  // The sky at a unit a pixel, from the sky's rows only: the sea mirrors it.
  ForEachRow(sky_.height, [&](int row) {
    for (int col = 0; col < sky_.width; ++col)
      sky_.at(col, row) = AreaMean(ground_, col * kDetail, row * kDetail, (col + 1) * kDetail,
                                   std::min((row + 1) * kDetail, static_cast<float>(skyRows)));
  });
  ForEachRow(ground_.height - skyRows, [&](int row) { draw(skyRows + row); });
}

Rgb Scenery::SkyAbove(float x, float y) const { return sky_.Sample(x - kCanvasLeft - 0.5f, y - kCanvasTop - 0.5f); }

Rgb Scenery::SeaPixel(float x, float y, int frame) const {
  const float d = std::max(y - kHorizon, 0.2f);  // pixels below the horizon
  const float z = kEyeHeight / (d * kPixelAngle);
  const float wx = (x - 400.f) * kPixelAngle * z;
  const float t = static_cast<float>(frame) / kSeaFrames;
  // A still field that bends the crest lines, so the sea is not a lattice.
  const float warp = 2.4f * (Fbm(wx * 0.09f, z * 0.07f, kSeed + 31, 3) - 0.5f);
  float sz = 0, sx = 0, unresolved = 0;
  for (const Wave& w : kWaves) {
    const float k = 2 * kPi / w.length;
    const float c = std::cos(w.angle * kPi / 180.f), s = std::sin(w.angle * kPi / 180.f);
    // Screen-space wavelength: fade waves too fine for the pixel grid.
    const float dPhaseDy = k * c * z / d;  // |dz/dd| = z / d
    const float dPhaseDx = k * s * kPixelAngle * z;
    const float screenLength = 2 * kPi / std::max(std::sqrt(dPhaseDy * dPhaseDy + dPhaseDx * dPhaseDx), 1e-6f);
    const float keep = Smooth(1.6f, 4.5f, screenLength);
    const float phase = k * (c * z + s * wx) + 2 * kPi * w.cycles * t + warp * (1.f + 0.3f * w.cycles);
    const float slope = w.slope * std::cos(phase) * keep;
    sz += slope * c;
    sx += slope * s;
    unresolved += (1.f - keep) * w.slope * w.slope * 0.5f;
  }
  // Reflection: tilted facets send the view ray higher or lower into the sky.
  const float grazing = d * kPixelAngle;
  const float reflectUp = d + sz * (2.f / kPixelAngle) * 0.55f;
  const float reflectX = x + sx * 2.f * d * 2.5f;
  Rgb sky = SkyAbove(reflectX, kHorizon - std::max(reflectUp, 0.5f));
  const float fresnel = 0.04f + 0.96f * std::pow(1.f - std::sin(std::min(grazing + std::fabs(sz), 1.5f)), 5.f);
  const Rgb deep = Mix(Rgb{0.20f, 0.17f, 0.24f}, Rgb{0.07f, 0.11f, 0.17f}, Smooth(0.f, 120.f, d));
  Rgb c = Mix(deep, sky * 0.84f, Clamp01(fresnel * 1.05f));
  // Sun glitter: facets that mirror the sun, spread by the waves too fine to see.
  const float sunUp = kHorizon - kSunY;
  // Ripples far finer than a pixel (and those faded out above) widen the
  // mirror image of the sun into a path.
  const float rough = std::sqrt(unresolved + 0.055f * 0.055f);
  const float spreadY = kSunRadius * 0.7f + rough * (2.f / kPixelAngle) * 0.55f;
  const float spreadX = kSunRadius * 0.5f + rough * 2.f * d * 2.5f + 1.5f;
  const float gy = (reflectUp - sunUp) / spreadY, gx = (reflectX - kSunX) / spreadX;
  const float glitter = std::exp(-0.5f * (gx * gx + gy * gy)) * (kSunRadius * kSunRadius * 0.5f) / (spreadX * spreadY);
  c = c + Rgb{1.f, 0.80f, 0.52f} * std::min(glitter * 24.f, 3.f);
  // The far sea: a soft darker line along the horizon, where the facets that
  // face the viewer mirror the higher sky; under the sun the glitter of the
  // whole far sea crowds into one thin bright line instead.
  const float far = std::exp(-(d - 0.5f) / 3.f);
  const float sunDx = (x - kSunX) / 120.f;
  const float underSun = std::exp(-sunDx * sunDx);
  c = c * (1.f - 0.22f * far * (1.f - underSun));
  const float line = std::exp(-std::max(d - 0.6f, 0.f) / 1.1f) * underSun;
  c = c + Rgb{1.f, 0.88f, 0.66f} * (0.8f * line);
  return {std::min(c.r, kBrightestMirror.r), std::min(c.g, kBrightestMirror.g), std::min(c.b, kBrightestMirror.b)};
}

Image Scenery::SeaFrame(int frame) const {
  Image out(kCanvasWidth, kSeaHeight);
  ForEachRow(kSeaHeight, [&](int row) {
    for (int col = 0; col < kCanvasWidth; ++col) {
      const float x = static_cast<float>(kCanvasLeft + col);
      Rgb sum;
      for (float oy : {0.25f, 0.75f})
        for (float ox : {0.25f, 0.75f}) sum = sum + SeaPixel(x + ox, kSeaTop + row + oy, frame);
      out.at(col, row) = sum * 0.25f;
    }
  });
  return out;
}

namespace {

struct Boulder {
  float cx, cy, rx, ry;  // in rock-picture rows and columns
};
// Back to front: a boulder later in the list lies in front of earlier ones.
constexpr std::array<Boulder, 27> kBoulders{{
    {-10.f, 120.f, 70.f, 112.f},
    {830.f, 130.f, 60.f, 125.f},
    {645.f, 108.f, 92.f, 62.f},
    {770.f, 90.f, 78.f, 96.f},
    {318.f, 118.f, 44.f, 22.f},
    {440.f, 116.f, 60.f, 24.f},
    {382.f, 124.f, 30.f, 14.f},
    {552.f, 126.f, 64.f, 28.f},
    {70.f, 96.f, 108.f, 90.f},
    {200.f, 122.f, 90.f, 62.f},
    {705.f, 140.f, 70.f, 50.f},
    {262.f, 140.f, 50.f, 24.f},
    {480.f, 140.f, 46.f, 18.f},
    {400.f, 215.f, 560.f, 95.f},  // the low shelf along the whole shore
    {120.f, 175.f, 150.f, 58.f},
    {600.f, 178.f, 140.f, 48.f},
    // Beyond the frame, for wider screens: the shore goes on.
    {-95.f, 100.f, 55.f, 85.f},
    {905.f, 112.f, 75.f, 70.f},
    {1000.f, 96.f, 95.f, 82.f},
    {1195.f, 92.f, 105.f, 98.f},
    {1300.f, 110.f, 70.f, 110.f},
    {1110.f, 122.f, 62.f, 36.f},
    {960.f, 140.f, 55.f, 30.f},
    {1060.f, 150.f, 80.f, 40.f},
    {1060.f, 215.f, 420.f, 95.f},
    {1250.f, 160.f, 120.f, 55.f},
    {930.f, 178.f, 150.f, 50.f},
}};

// Each boulder is a polygon of a few long, straight, broken edges, cut into
// flat faces (the cells of a few sites inside it, nearest site wins).
struct Block {
  std::vector<float> vx, vy;  // outline, counter-clockwise
  struct Face {
    float x, y;                    // site
    float nx, ny, nz;              // normal: x right, y up, z away from the viewer
    float shade;                   // small differences of colour between faces
  };
  std::vector<Face> faces;
  float left = 0, top = 0, right = 0, bottom = 0;  // the outline's box
  bool Contains(float x, float y) const {
    if (x < left || x > right || y < top || y > bottom) return false;
    bool in = false;
    for (size_t i = 0, j = vx.size() - 1; i < vx.size(); j = i++)
      if ((vy[i] > y) != (vy[j] > y) && x < vx[j] + (vx[i] - vx[j]) * (y - vy[j]) / (vy[i] - vy[j])) in = !in;
    return in;
  }
};

std::vector<Block> MakeBlocks(uint32_t seed) {
  Rng rng(seed);
  std::vector<Block> blocks;
  for (const Boulder& b : kBoulders) {
    Block k;
    const int corners = 6 + static_cast<int>(rng.Uniform() * 3);
    const float start = rng.Range(0.f, 2 * kPi);
    for (int i = 0; i < corners; ++i) {
      const float a = start + 2 * kPi * (i + rng.Range(-0.3f, 0.3f)) / corners;
      const float r = rng.Range(0.78f, 1.14f);
      k.vx.push_back(b.cx + std::cos(a) * b.rx * r);
      k.vy.push_back(b.cy - std::sin(a) * b.ry * r);
    }
    // Break every edge once more: a chipped corner half way along.
    {
      std::vector<float> x, y;
      for (size_t i = 0; i < k.vx.size(); ++i) {
        const size_t j = (i + 1) % k.vx.size();
        x.push_back(k.vx[i]);
        y.push_back(k.vy[i]);
        const float ex = k.vx[j] - k.vx[i], ey = k.vy[j] - k.vy[i];
        const float t = rng.Range(0.3f, 0.7f), off = rng.Range(-0.12f, 0.1f);
        x.push_back(k.vx[i] + ex * t + ey * off);
        y.push_back(k.vy[i] + ey * t - ex * off);
      }
      k.vx = std::move(x);
      k.vy = std::move(y);
    }
    k.left = *std::min_element(k.vx.begin(), k.vx.end());
    k.right = *std::max_element(k.vx.begin(), k.vx.end());
    k.top = *std::min_element(k.vy.begin(), k.vy.end());
    k.bottom = *std::max_element(k.vy.begin(), k.vy.end());
    const int sites = std::clamp(static_cast<int>(b.rx * b.ry / 450.f), 4, 24);
    for (int i = 0; i < sites; ++i) {
      float bx, by;
      do {
        bx = rng.Range(-1.f, 1.f);
        by = rng.Range(-1.f, 1.f);
      } while (bx * bx + by * by > 0.9f);
      // The boulder's rounded normal at the site, knocked about so that the
      // faces stay flat and distinct.
      const float tx = rng.Range(-0.5f, 0.5f), ty = rng.Range(-0.4f, 0.4f);
      // Tops slope away from the viewer, toward the sea and the sun.
      float nx = bx * 1.1f + tx, ny = by * 1.1f + ty + 0.2f;
      float nz = -std::sqrt(std::max(0.05f, 1.f - bx * bx - by * by)) + 0.6f * std::max(by, 0.f);
      const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
      k.faces.push_back({b.cx + bx * b.rx, b.cy - by * b.ry, nx / len, ny / len, nz / len, rng.Range(0.7f, 1.25f)});
    }
    blocks.push_back(std::move(k));
  }
  return blocks;
}

}  // namespace

Image Scenery::Rocks(std::vector<bool>& rock) const {
  const int width = kGroundPixelsWide, height = kRockPixelsHigh;
  Image out(width, height);
  rock.assign(out.px.size(), false);
  const std::vector<Block> blocks = MakeBlocks(kSeed + 62);
  const int shelf = 13;
  // The frontmost block at each pixel; everything below the sea band's lower
  // edge is solid rock.
  std::vector<int> owner(out.px.size(), -1);
  ForEachRow(height, [&](int y) {
    const float py = (y + 0.5f) / kDetail;
    for (int x = 0; x < width; ++x) {
      const float px = kCanvasLeft + (x + 0.5f) / kDetail;
      int& o = owner[static_cast<size_t>(y) * width + x];
      for (size_t b = blocks.size(); b-- > 0;)
        if (blocks[b].Contains(px, py)) {
          o = static_cast<int>(b);
          break;
        }
      if (o < 0 && py >= 118.f) o = shelf;
    }
  });
  for (size_t i = 0; i < owner.size(); ++i) rock[i] = owner[i] >= 0;
  auto ownerAt = [&](int x, int y) {
    if (y < 0 || x < 0 || x >= width) return -1;
    if (y >= height) return shelf;
    return owner[static_cast<size_t>(y) * width + x];
  };
  // Crevices are three units wide, whatever the detail.
  const int crevice = static_cast<int>(std::lround(3 * kDetail));
  const int unit = static_cast<int>(std::lround(kDetail));
  ForEachRow(height, [&](int y) {
    for (int x = 0; x < width; ++x) {
      const int o = owner[static_cast<size_t>(y) * width + x];
      if (o < 0) continue;
      const float px = kCanvasLeft + (x + 0.5f) / kDetail, py = (y + 0.5f) / kDetail;
      const Block& b = blocks[static_cast<size_t>(o)];
      // The face: nearest site, and how close the next one is (for the edge between them).
      size_t first = 0;
      float d1 = 1e9f, d2 = 1e9f;
      for (size_t i = 0; i < b.faces.size(); ++i) {
        const float dx = px - b.faces[i].x, dy = (py - b.faces[i].y) * 1.4f;
        const float d = std::sqrt(dx * dx + dy * dy);
        if (d < d1) {
          d2 = d1;
          d1 = d;
          first = i;
        } else if (d < d2) {
          d2 = d;
        }
      }
      const Block::Face& f = b.faces[first];
      // The light of a sun low behind the rocks: only faces turned up and
      // toward it catch it.
      const float toSun = std::atan((kSunX - px) * kPixelAngle * 1.6f);
      const float lx = std::sin(toSun), ly = 0.42f, lz = std::cos(toSun);
      const float lit = Smooth(0.22f, 0.5f, (f.nx * lx + f.ny * ly + f.nz * lz) / std::sqrt(lx * lx + ly * ly + lz * lz));
      // The foreground falls into shadow toward the bottom of the picture.
      const float depth = Smooth(50.f, 175.f, py);
      Rgb c = Rgb{0.085f, 0.072f, 0.085f} * f.shade;
      c = c + Rgb{0.12f, 0.10f, 0.18f} * (Clamp01(f.ny + 0.3f) * 0.32f * (1.f - 0.45f * depth));  // the sky's cool fill
      // A lit face is brightest along its upper part, where the light grazes it.
      const float graze = Clamp01(0.55f + (f.y - py) * 0.04f);
      c = c + Rgb{0.88f, 0.47f, 0.24f} * (lit * 0.42f * graze * f.shade * Smooth(0.45f, 0.f, depth));
      c = c * (1.f - 0.3f * depth);
      // Weathered stone: blotches, grain and hairline cracks.
      c = c * (0.72f + 0.5f * Fbm(px / 9.f, py / 6.f, kSeed + 71, 3));
      c = c * (0.86f + 0.28f * Fbm(px / 2.f, py / 1.5f, kSeed + 43, 2));
      c = c * (1.f - 0.45f * Smooth(0.007f, 0.f, std::fabs(Fbm(px / 40.f, py / 22.f, kSeed + 47, 4) - 0.5f)));
      // A faint step where two faces meet.
      c = c * (1.f - 0.12f * Smooth(1.0f, 0.f, d2 - d1));
      // Grain finer than a unit, seen on large screens.
      c = c * (0.9f + 0.2f * Fbm(px * 1.7f, py * 2.3f, kSeed + 53, 2));
      // Crevices: dark where this block meets another, near or far.
      float dark = 0;
      for (int k = 1; k <= crevice && dark == 0; ++k)
        for (const auto& [dx, dy] : {std::pair{-k, 0}, std::pair{k, 0}, std::pair{0, -k}, std::pair{0, k}}) {
          const int other = ownerAt(x + dx, y + dy);
          if (other >= 0 && other != o) dark = std::max(dark, static_cast<float>(crevice + 1 - k) / crevice);
        }
      c = c * (1.f - 0.6f * dark);
      // Straight in front of the sun the outline itself glows a little.
      if (ownerAt(x, y - unit) < 0) c = c + Rgb{0.9f, 0.55f, 0.3f} * (0.5f * std::exp(-std::fabs(px - kSunX) / 50.f));
      // Keep clear of the see-through colour (8, 8, 8), even in 16-bit modes.
      c = {std::max(c.r, 0.075f), std::max(c.g, 0.075f), std::max(c.b, 0.075f)};
      out.at(x, y) = c;
    }
  });
  return out;
}

}  // namespace artgen
