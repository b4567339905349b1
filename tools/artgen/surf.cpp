#include "surf.h"

namespace artgen {
namespace {

constexpr float kPi = 3.14159265f;

// RBJ biquad.
class Biquad {
 public:
  static Biquad LowPass(float hz, float q) { return Make(hz, q, 0); }
  static Biquad HighPass(float hz, float q) { return Make(hz, q, 1); }
  static Biquad BandPass(float hz, float q) { return Make(hz, q, 2); }
  float operator()(float x) {
    const float y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

 private:
  static Biquad Make(float hz, float q, int kind) {
    const float w = 2 * kPi * hz / kSoundRate, cw = std::cos(w), alpha = std::sin(w) / (2 * q);
    Biquad f;
    float b0, b1, b2;
    if (kind == 0) {
      b0 = (1 - cw) / 2, b1 = 1 - cw, b2 = (1 - cw) / 2;
    } else if (kind == 1) {
      b0 = (1 + cw) / 2, b1 = -(1 + cw), b2 = (1 + cw) / 2;
    } else {
      b0 = alpha, b1 = 0, b2 = -alpha;
    }
    const float a0 = 1 + alpha;
    f.b0_ = b0 / a0, f.b1_ = b1 / a0, f.b2_ = b2 / a0;
    f.a1_ = -2 * cw / a0, f.a2_ = (1 - alpha) / a0;
    return f;
  }
  float b0_ = 0, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  float x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

float Gaussian(Rng& rng) { return (rng.Uniform() + rng.Uniform() + rng.Uniform() + rng.Uniform() - 2.f) * 1.7f; }

// Filtered noise of `length` samples whose last `fade` samples are folded
// onto its start with an equal-power cross-fade, so it loops without a seam.
std::vector<float> LoopedNoise(int length, int fade, uint64_t seed, std::initializer_list<Biquad> chain) {
  Rng rng(seed);
  std::vector<Biquad> filters(chain);
  std::vector<float> raw(static_cast<size_t>(length) + fade);
  for (int i = 0; i < 4000; ++i) {  // settle the filters first
    float v = Gaussian(rng);
    for (Biquad& f : filters) v = f(v);
  }
  for (float& s : raw) {
    float v = Gaussian(rng);
    for (Biquad& f : filters) v = f(v);
    s = v;
  }
  std::vector<float> out(raw.begin(), raw.begin() + length);
  for (int i = 0; i < fade; ++i) {
    const float a = std::sin(0.5f * kPi * (i + 0.5f) / fade);
    const float b = std::cos(0.5f * kPi * (i + 0.5f) / fade);
    out[i] = raw[i] * a + raw[length + i] * b;
  }
  return out;
}

struct Breaker {
  float at;        // seconds into the loop when the wave breaks
  float strength;  // relative loudness
  float pan;       // -1 left .. +1 right
};
constexpr Breaker kBreakers[] = {
    {1.4f, 0.85f, -0.35f}, {7.1f, 1.0f, 0.25f}, {12.2f, 0.7f, -0.1f}, {17.9f, 0.95f, 0.4f}, {23.6f, 0.8f, -0.3f},
};

// Seconds since the breaker broke, wrapped into the loop so that a wave
// gathering at the end of the loop continues at its start.
float Since(float t, float at, float loop) {
  float d = std::fmod(t - at + loop, loop);
  if (d > loop - 3.f) d -= loop;
  return d;
}

struct Envelopes {
  float roar, crash, wash;
};
Envelopes BreakerEnvelopes(const Breaker& b, float t, float loop) {
  const float d = Since(t, b.at, loop);
  Envelopes e{};
  e.roar = b.strength * (d < 0 ? Smooth(-2.5f, 0.f, d) : std::exp(-d / 2.8f));
  e.crash = d < 0 ? 0.f : b.strength * Smooth(0.f, 0.18f, d) * std::exp(-d / 1.1f);
  e.wash = d < 0.15f ? 0.f : b.strength * Smooth(0.15f, 0.9f, d) * std::exp(-(d - 0.15f) / 2.3f);
  return e;
}

// One "kee-ow" of a gull: a pitch that leaps up and falls, rich in harmonics.
void AddCry(std::vector<float>& left, std::vector<float>& right, float start, float length, float pitch, float pan,
            float level, Rng& rng) {
  const int first = static_cast<int>(start * kSoundRate);
  const int count = static_cast<int>(length * kSoundRate);
  float phase = 0;
  Biquad tone = Biquad::LowPass(3200.f, 0.7f);
  for (int i = 0; i < count; ++i) {
    const float u = static_cast<float>(i) / count;
    const float contour = u < 0.25f ? 0.8f + 0.45f * Smooth(0.f, 0.25f, u) : 1.25f - 0.5f * Smooth(0.25f, 1.f, u);
    const float f = pitch * contour * (1.f + 0.012f * std::sin(2 * kPi * 23.f * i / kSoundRate));
    phase += 2 * kPi * f / kSoundRate;
    float v = 0;
    for (int h = 1; h <= 6; ++h) v += std::sin(h * phase) / (h * 1.3f);
    v += 0.25f * Gaussian(rng);
    const float env = Smooth(0.f, 0.08f, u) * Smooth(1.f, 0.55f, u);
    v = tone(v) * env * level;
    // Distance: a couple of faint echoes off the water and the cliffs.
    for (auto [delay, gain] : {std::pair{0, 1.f}, std::pair{2900, 0.28f}, std::pair{6700, 0.12f}}) {
      const size_t at = static_cast<size_t>(first + i + delay);
      if (at >= left.size()) continue;
      left[at] += v * gain * (1.f - pan) * 0.5f;
      right[at] += v * gain * (1.f + pan) * 0.5f;
    }
  }
}

}  // namespace

bool MakeSurfWave(Bytes& wave) {
  // The player loops the samples exactly as stored: the clip is the loop.
  const int loop = static_cast<int>(kSoundFrames);
  const float loopSeconds = static_cast<float>(loop) / kSoundRate;
  const int fade = kSoundRate * 2;

  const auto roarL = LoopedNoise(loop, fade, 11, {Biquad::LowPass(380.f, 0.7f), Biquad::LowPass(600.f, 0.7f)});
  const auto roarR = LoopedNoise(loop, fade, 12, {Biquad::LowPass(380.f, 0.7f), Biquad::LowPass(600.f, 0.7f)});
  const auto crashL = LoopedNoise(loop, fade, 13, {Biquad::BandPass(900.f, 0.6f), Biquad::LowPass(3500.f, 0.7f)});
  const auto crashR = LoopedNoise(loop, fade, 14, {Biquad::BandPass(900.f, 0.6f), Biquad::LowPass(3500.f, 0.7f)});
  const auto washL = LoopedNoise(loop, fade, 15, {Biquad::HighPass(1800.f, 0.7f), Biquad::LowPass(7000.f, 0.7f)});
  const auto washR = LoopedNoise(loop, fade, 16, {Biquad::HighPass(1800.f, 0.7f), Biquad::LowPass(7000.f, 0.7f)});
  // Slow fizz of the foam, periodic in the loop.
  const auto fizz = LoopedNoise(loop, fade, 17, {Biquad::LowPass(9.f, 0.7f)});

  std::vector<float> left(loop), right(loop);
  for (int i = 0; i < loop; ++i) {
    const float t = static_cast<float>(i) / kSoundRate;
    float roarLevelL = 0.30f, roarLevelR = 0.30f, crashL_ = 0, crashR_ = 0, washL_ = 0, washR_ = 0;
    for (const Breaker& b : kBreakers) {
      const Envelopes e = BreakerEnvelopes(b, t, loopSeconds);
      const float gl = 0.5f * (1.f - b.pan) + 0.25f, gr = 0.5f * (1.f + b.pan) + 0.25f;
      roarLevelL += 0.6f * e.roar * gl;
      roarLevelR += 0.6f * e.roar * gr;
      crashL_ += e.crash * gl;
      crashR_ += e.crash * gr;
      washL_ += e.wash * gl;
      washR_ += e.wash * gr;
    }
    const float bubbles = 1.f + 6.f * fizz[i];
    left[i] = 1.0f * roarL[i] * roarLevelL + 0.9f * crashL[i] * crashL_ + 0.75f * washL[i] * washL_ * bubbles;
    right[i] = 1.0f * roarR[i] * roarLevelR + 0.9f * crashR[i] * crashR_ + 0.75f * washR[i] * washR_ * bubbles;
  }
  // A few distant gulls, well inside the loop.
  Rng cries(21);
  float surfPeak = 0;
  for (int i = 0; i < loop; ++i) surfPeak = std::max({surfPeak, std::fabs(left[i]), std::fabs(right[i])});
  const float cryLevel = surfPeak * 0.16f;
  AddCry(left, right, 4.3f, 0.42f, 1180.f, -0.6f, cryLevel, cries);
  AddCry(left, right, 4.85f, 0.38f, 1120.f, -0.6f, cryLevel * 0.85f, cries);
  AddCry(left, right, 14.6f, 0.5f, 1050.f, 0.5f, cryLevel * 0.7f, cries);
  AddCry(left, right, 20.9f, 0.36f, 1250.f, 0.1f, cryLevel * 0.9f, cries);
  AddCry(left, right, 21.4f, 0.36f, 1220.f, 0.1f, cryLevel * 0.75f, cries);
  AddCry(left, right, 21.95f, 0.45f, 1160.f, 0.1f, cryLevel * 0.6f, cries);

  float peak = 0;
  for (int i = 0; i < loop; ++i) peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
  const float gain = 0.55f * 32767.f / std::max(peak, 1e-6f);
  std::vector<short> pcmL(loop), pcmR(loop);
  for (int i = 0; i < loop; ++i) {
    pcmL[i] = static_cast<short>(std::lround(left[i] * gain));
    pcmR[i] = static_cast<short>(std::lround(right[i] * gain));
  }

  auto put16 = [&](uint32_t v) {
    wave.push_back(v & 0xFF);
    wave.push_back((v >> 8) & 0xFF);
  };
  auto put32 = [&](uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) wave.push_back(static_cast<uint8_t>(t[i]));
  };
  const uint32_t dataBytes = kSoundFrames * 4;
  wave.clear();
  tag("RIFF");
  put32(4 + (8 + 16) + (8 + dataBytes));
  tag("WAVE");
  tag("fmt ");
  put32(16);
  put16(1);               // PCM
  put16(2);               // channels
  put32(kSoundRate);      // samples per second
  put32(kSoundRate * 4);  // bytes per second
  put16(4);               // block align: one stereo frame
  put16(16);              // bits per sample
  tag("data");
  put32(dataBytes);
  for (int i = 0; i < loop; ++i) {
    put16(static_cast<uint16_t>(pcmL[i]));
    put16(static_cast<uint16_t>(pcmR[i]));
  }
  return true;
}

}  // namespace artgen
