#include "platform/bitmap_resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmo {
namespace {

// The source pixels one target pixel of an axis takes, and their weights.
struct Taps {
  int first = 0;
  std::vector<float> weights;
};

// A tent as wide as a target pixel's footprint (at least one source pixel),
// so shrinking averages and enlarging interpolates, with the weights summing
// to one and edge pixels repeated beyond the picture.
std::vector<Taps> AxisTaps(double start, double length, int targets, int sourceSize) {
  std::vector<Taps> taps(static_cast<size_t>(targets));
  const double step = length / targets;
  const double radius = std::max(1.0, step);
  for (int t = 0; t < targets; ++t) {
    const double centre = start + (t + 0.5) * step;  // in source coordinates
    const int lo = static_cast<int>(std::floor(centre - radius - 0.5)) + 1;
    const int hi = static_cast<int>(std::ceil(centre + radius - 0.5)) - 1;
    Taps& tap = taps[static_cast<size_t>(t)];
    tap.first = std::clamp(lo, 0, sourceSize - 1);
    const int last = std::clamp(hi, 0, sourceSize - 1);
    tap.weights.assign(static_cast<size_t>(std::max(last - tap.first + 1, 1)), 0.f);
    double sum = 0;
    for (int i = lo; i <= hi; ++i) {
      const double w = std::max(0.0, 1.0 - std::fabs(i + 0.5 - centre) / radius);
      const int at = std::clamp(i, 0, sourceSize - 1) - tap.first;
      tap.weights[static_cast<size_t>(at)] += static_cast<float>(w);
      sum += w;
    }
    if (sum <= 0) {
      tap.weights.assign(1, 1.f);
      tap.first = std::clamp(static_cast<int>(centre), 0, sourceSize - 1);
      continue;
    }
    for (float& w : tap.weights) w = static_cast<float>(w / sum);
  }
  return taps;
}

}  // namespace

Bitmap ResampleArea(const Bitmap& source, const PictureArea& area, int width, int height, int keyIndex) {
  if (source.Empty() || width <= 0 || height <= 0 || area.width <= 0 || area.height <= 0) return Bitmap();
  if (source.GetFormat() == Bitmap::Format::Ycc420)
    return ResampleArea(source.TrueColourCopy(), area, width, height, keyIndex);
  const bool indexed = source.GetFormat() == Bitmap::Format::Indexed8;
  const bool keyed = indexed && keyIndex >= 0 && keyIndex < 256;
  const int sw = source.Width(), sh = source.Height();
  const std::vector<Taps> columns = AxisTaps(area.left, area.width, width, sw);
  const std::vector<Taps> rows = AxisTaps(area.top, area.height, height, sh);
  int colFirst = sw, colEnd = 0;
  for (const Taps& t : columns) {
    colFirst = std::min(colFirst, t.first);
    colEnd = std::max(colEnd, t.first + static_cast<int>(t.weights.size()));
  }
  // Each source pixel as red, green, blue and how much of it is not see-through.
  auto read = [&](int x, int y, float out[4]) {
    uint32_t rgb;
    if (indexed) {
      const uint8_t i = source.Indices()[static_cast<size_t>(y) * sw + x];
      if (keyed && i == keyIndex) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
      }
      const TColor c = source.Palette()[i];
      rgb = (RedOf(c) << 16) | (GreenOf(c) << 8) | BlueOf(c);
    } else {
      rgb = source.Pixels()[static_cast<size_t>(y) * sw + x];
    }
    out[0] = static_cast<float>((rgb >> 16) & 0xFF);
    out[1] = static_cast<float>((rgb >> 8) & 0xFF);
    out[2] = static_cast<float>(rgb & 0xFF);
    out[3] = 1;
  };
  uint32_t keyRgb = 0;
  if (keyed) {
    const TColor k = source.Palette()[static_cast<size_t>(keyIndex)];
    keyRgb = (RedOf(k) << 16) | (GreenOf(k) << 8) | BlueOf(k);
  }
  Bitmap out = Bitmap::TrueColour(width, height);
  std::vector<float> line(static_cast<size_t>(colEnd - colFirst) * 4);
  float px[4];
  for (int y = 0; y < height; ++y) {
    // The rows this target row takes, summed column by column...
    std::fill(line.begin(), line.end(), 0.f);
    const Taps& r = rows[static_cast<size_t>(y)];
    for (size_t k = 0; k < r.weights.size(); ++k) {
      const float w = r.weights[k];
      const int sy = r.first + static_cast<int>(k);
      for (int x = colFirst; x < colEnd; ++x) {
        read(x, sy, px);
        float* l = &line[static_cast<size_t>(x - colFirst) * 4];
        l[0] += w * px[0] * px[3];
        l[1] += w * px[1] * px[3];
        l[2] += w * px[2] * px[3];
        l[3] += w * px[3];
      }
    }
    // ...then the columns each target pixel takes.
    uint32_t* target = out.Pixels() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const Taps& c = columns[static_cast<size_t>(x)];
      float sum[4] = {0, 0, 0, 0};
      for (size_t k = 0; k < c.weights.size(); ++k) {
        const float* l = &line[static_cast<size_t>(c.first + static_cast<int>(k) - colFirst) * 4];
        for (int i = 0; i < 4; ++i) sum[i] += c.weights[k] * l[i];
      }
      if (keyed && sum[3] < 0.5f) {
        target[x] = keyRgb;
        continue;
      }
      const float scale = sum[3] > 0 ? 1.f / sum[3] : 0.f;
      auto channel = [&](float v) {
        return static_cast<uint32_t>(std::clamp(std::lround(v * scale), 0L, 255L));
      };
      target[x] = (channel(sum[0]) << 16) | (channel(sum[1]) << 8) | channel(sum[2]);
    }
  }
  if (keyed) out.Pixels()[0] = keyRgb;
  return out;
}

}  // namespace velmo
