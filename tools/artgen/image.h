#pragma once
// Float RGB pictures, a seeded generator and smooth noise for the art tool.
// Everything here is deterministic: no clocks, no library distributions.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace artgen {

struct Rgb {
  float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
inline Rgb Hex(uint32_t rgb) {
  return {((rgb >> 16) & 0xFF) / 255.f, ((rgb >> 8) & 0xFF) / 255.f, (rgb & 0xFF) / 255.f};
}

inline float Clamp01(float v) { return std::clamp(v, 0.f, 1.f); }
inline float Smooth(float e0, float e1, float v) {
  const float t = Clamp01((v - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}
inline uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.f)); }

struct Image {
  int width = 0, height = 0;
  std::vector<Rgb> px;
  Image() = default;
  Image(int w, int h) : width(w), height(h), px(static_cast<size_t>(w) * h) {}
  Rgb& at(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
  const Rgb& at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
  // Bilinear read with clamped coordinates.
  Rgb Sample(float x, float y) const {
    x = std::clamp(x, 0.f, width - 1.001f);
    y = std::clamp(y, 0.f, height - 1.001f);
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const float fx = x - x0, fy = y - y0;
    const Rgb top = Mix(at(x0, y0), at(x0 + 1, y0), fx);
    const Rgb bottom = Mix(at(x0, y0 + 1), at(x0 + 1, y0 + 1), fx);
    return Mix(top, bottom, fy);
  }
};

// SplitMix64: small, fast and the same everywhere.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  float Uniform() { return static_cast<float>(Next() >> 40) / static_cast<float>(1ull << 24); }
  float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }

 private:
  uint64_t state_;
};

// Value noise on an integer lattice, wrapping every `period` cells in x when
// period > 0 (used to make things loop).
float ValueNoise(float x, float y, uint32_t seed, int period = 0);
// Sum of octaves of ValueNoise, roughly in [0, 1].
float Fbm(float x, float y, uint32_t seed, int octaves, int period = 0);

}  // namespace artgen
