// The generated assets read back through the real decoders: the geometry,
// frame layout and key colours the scene relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "platform/picture_codec.h"
#include "platform/wave_clip.h"
#include "resources/catalogue.h"
#include "scene/picture_frame.h"

namespace velmo {
namespace {

using resources::Find;

Bitmap Load(std::string_view name, std::string_view type) {
  const resources::Resource* r = Find(name, type);
  EXPECT_NE(r, nullptr) << name;
  Bitmap b;
  if (!r) return b;
  std::string error;
  const bool ok = type == resources::kTypeJpeg ? DecodeJpeg(r->data, b, &error) : DecodeBmp(r->data, b, &error);
  EXPECT_TRUE(ok) << name << ": " << error;
  return b;
}

TEST(Catalogue, FindsEveryAssetByNameAndTypeInAnyCase) {
  EXPECT_NE(Find("SoundName", "WAVE"), nullptr);
  EXPECT_EQ(Find("soundname", "wave"), Find("SOUNDNAME", "Wave"));
  EXPECT_NE(Find("prev_bitmap", "bitmap"), nullptr);
  EXPECT_EQ(Find("SoundName", "BITMAP"), nullptr);
  EXPECT_EQ(Find("SoundNam", "WAVE"), nullptr);
  EXPECT_EQ(Find("", ""), nullptr);
  for (const auto& r : resources::All()) EXPECT_FALSE(r.data.empty()) << r.name;
}

// The pictures cover the canvas the scene lays over every screen: the sky
// and the rocks at one detail, the sea band at one pixel a unit. The sky's
// colour is at full resolution (it is scaled once and kept as colours); the
// sea's at half (its frames are kept as the file's planes).
TEST(Catalogue, SkyAndSeaAreJpegsOfTheCanvasShape) {
  const Bitmap ground = Load("Image1ground", resources::kTypeJpeg);
  EXPECT_EQ(ground.GetFormat(), Bitmap::Format::Rgb32);
  EXPECT_EQ(int64_t{ground.Width()} * static_cast<int64_t>(kGroundBottom - kCanvasTop),
            int64_t{ground.Height()} * static_cast<int64_t>(kCanvasWidth));
  EXPECT_GE(ground.Width(), 3840) << "one to one on a 3840 x 2160 screen";
  const Bitmap sea = Load("Image1sea", resources::kTypeJpeg);
  EXPECT_EQ(sea.GetFormat(), Bitmap::Format::Ycc420);
  EXPECT_EQ(sea.Width(), kCanvasWidth);
  EXPECT_EQ(sea.Height(), 32 * kSeaRows);
}

// Mean absolute difference of two sea frames, per channel value.
double FrameDifference(const Bitmap& sea, int a, int b) {
  double sum = 0;
  for (int y = 0; y < 166; ++y)
    for (int x = 0; x < sea.Width(); ++x) {
      const TColor p = sea.PixelColour(x, a * 166 + y), q = sea.PixelColour(x, b * 166 + y);
      sum += std::abs(RedOf(p) - RedOf(q)) + std::abs(GreenOf(p) - GreenOf(q)) + std::abs(BlueOf(p) - BlueOf(q));
    }
  return sum / (166.0 * sea.Width() * 3);
}

TEST(Catalogue, SeaMovesAndLoopsWithoutAJump) {
  const Bitmap sea = Load("Image1sea", resources::kTypeJpeg);
  ASSERT_EQ(sea.Height(), 5312);
  double largest = 0, smallest = 1e9;
  for (int f = 0; f < 31; ++f) {
    const double d = FrameDifference(sea, f, f + 1);
    largest = std::max(largest, d);
    smallest = std::min(smallest, d);
  }
  EXPECT_GT(smallest, 0.5) << "some neighbouring frames are identical: the sea would stand still";
  // The step from the last frame back to the first is like any other step.
  const double wrap = FrameDifference(sea, 31, 0);
  EXPECT_LT(wrap, largest * 1.25);
  EXPECT_GT(wrap, smallest * 0.75);
}

TEST(Catalogue, SeaIsLitLikeDuskNotNight) {
  const Bitmap sea = Load("Image1sea", resources::kTypeJpeg);
  double sum = 0;
  for (int y = 0; y < 166; ++y)
    for (int x = 0; x < sea.Width(); ++x) {
      const TColor c = sea.PixelColour(x, y);
      sum += (RedOf(c) + GreenOf(c) + BlueOf(c)) / 3.0;
    }
  EXPECT_GT(sum / (166.0 * sea.Width()), 40.0);
}

double Luma(TColor c) { return 0.299 * RedOf(c) + 0.587 * GreenOf(c) + 0.114 * BlueOf(c); }

// Sky rows end at 379 of the 4:3 frame; the sea band's frame 0 starts on its row 380.
TEST(Catalogue, HorizonIsALineNotADarkBand) {
  const Bitmap ground = Load("Image1ground", resources::kTypeJpeg);
  const Bitmap sea = Load("Image1sea", resources::kTypeJpeg);
  const double detail = ground.Width() / kCanvasWidth;
  // Means over columns x0..x1 and rows y0..y1 of the frame (inclusive).
  auto sky = [&](int x0, int x1, int y0, int y1) {
    double sum = 0;
    int n = 0;
    for (int y = static_cast<int>((y0 - kCanvasTop) * detail); y < static_cast<int>((y1 + 1 - kCanvasTop) * detail); ++y)
      for (int x = static_cast<int>((x0 - kCanvasLeft) * detail); x < static_cast<int>((x1 + 1 - kCanvasLeft) * detail); ++x, ++n)
        sum += Luma(ground.PixelColour(x, y));
    return sum / n;
  };
  auto water = [&](int x0, int x1, int y0, int y1) {
    double sum = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) sum += Luma(sea.PixelColour(static_cast<int>(x - kCanvasLeft), y));
    return sum / ((x1 - x0 + 1) * (y1 - y0 + 1));
  };
  // Left of the hills no strip of land darkens the last rows of the sky.
  for (int x = -120; x < 420; x += 10)
    EXPECT_GT(sky(x, x + 9, 372, 378), 0.8 * sky(x, x + 9, 366, 368)) << "x " << x;
  // Under the sun the far sea is a bright line; elsewhere it is a little
  // darker than the sky above it, not a dark bar.
  EXPECT_GT(water(140, 160, 0, 1), 1.3 * water(350, 420, 0, 1));
  // The disc (radius 13 at 150 x 352) is brighter than anything the sea mirrors, in every frame.
  double disc = 0, mirror = 0;
  for (int y = 0; y < sea.Height(); ++y)
    for (int x = 0; x < sea.Width(); ++x) mirror = std::max(mirror, Luma(sea.PixelColour(x, y)));
  disc = sky(142, 158, 344, 360);
  EXPECT_GE(disc, mirror);
  const double far = water(350, 420, 0, 2), above = sky(350, 420, 377, 378);
  EXPECT_LT(far, 0.95 * above);
  EXPECT_GT(far, 0.55 * above);
}

TEST(Catalogue, RocksAreRle8KeyedBySeeThroughColourTheyNeverUse) {
  const resources::Resource* r = Find("DDbmp1stone", "BITMAP");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(BmpCompression(r->data), 1);
  const Bitmap rocks = Load("DDbmp1stone", "BITMAP");
  ASSERT_EQ(rocks.GetFormat(), Bitmap::Format::Indexed8);
  const double detail = rocks.Width() / kCanvasWidth;
  EXPECT_EQ(rocks.Width(), Load("Image1ground", resources::kTypeJpeg).Width());
  EXPECT_NEAR(rocks.Height(), (kFrameBottom - kRocksTop) * detail, 1);
  constexpr TColor kKey = RGBColor(8, 8, 8);
  EXPECT_EQ(rocks.PixelColour(0, 0), kKey);
  int seeThrough = 0;
  for (int y = 0; y < rocks.Height(); ++y)
    for (int x = 0; x < rocks.Width(); ++x) {
      const TColor c = rocks.PixelColour(x, y);
      if (c == kKey) {
        ++seeThrough;
        continue;
      }
      // Rock colours also stay distinct from the key after reduction to 16-bit RGB565.
      const bool sameIn565 = (RedOf(c) >> 3) == 1 && (GreenOf(c) >> 2) == 2 && (BlueOf(c) >> 3) == 1;
      EXPECT_FALSE(sameIn565) << "rock pixel " << x << "," << y << " matches the key in 16-bit modes";
    }
  EXPECT_GT(seeThrough, rocks.Width() * 20 * detail) << "the sea must show through";
  // Below the sea band's lower edge (row 546 of 600 = row 123 here) nothing may be see-through.
  for (int y = static_cast<int>(std::ceil(118 * detail)); y < rocks.Height(); ++y)
    for (int x = 0; x < rocks.Width(); ++x) ASSERT_NE(rocks.PixelColour(x, y), kKey) << x << "," << y;
}

// Name, key colour, frame width and height: the strips of every scale.
class GullStrip : public testing::TestWithParam<std::tuple<const char*, TColor, int, int>> {};

TEST_P(GullStrip, FortyFramesKeyedAtIndexTwoInEveryTopLeftPixel) {
  const auto [name, key, w, h] = GetParam();
  const resources::Resource* r = Find(name, "BITMAP");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(BmpCompression(r->data), 1);
  const Bitmap strip = Load(name, "BITMAP");
  ASSERT_EQ(strip.GetFormat(), Bitmap::Format::Indexed8);
  ASSERT_EQ(strip.Width(), w);
  ASSERT_EQ(strip.Height(), 40 * h);
  EXPECT_EQ(strip.Palette()[2], key);
  for (int f = 0; f < 40; ++f) {
    EXPECT_EQ(strip.Indices()[f * h * w], 2) << "frame " << f;
    int bird = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) bird += strip.PixelColour(x, f * h + y) != key;
    EXPECT_GT(bird, w * h / 28) << "frame " << f << " has no gull";
  }
  // No gull pixel uses the key colour through another palette entry.
  for (int i = 0; i < w * 40 * h; ++i) {
    if (strip.Indices()[i] != 2) {
      ASSERT_NE(strip.Palette()[strip.Indices()[i]], key);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    All, GullStrip,
    testing::Values(std::make_tuple("DDani1bird", RGBColor(45, 13, 255), 30, 11),
                    std::make_tuple("DDani1birds_small", RGBColor(62, 37, 226), 30, 11),
                    std::make_tuple("DDani1bird_x2", RGBColor(45, 13, 255), 60, 22),
                    std::make_tuple("DDani1birds_small_x2", RGBColor(62, 37, 226), 30, 10),
                    std::make_tuple("DDani1bird_x3", RGBColor(45, 13, 255), 90, 33),
                    std::make_tuple("DDani1birds_small_x3", RGBColor(62, 37, 226), 45, 15),
                    std::make_tuple("DDani1bird_x4", RGBColor(45, 13, 255), 120, 44),
                    std::make_tuple("DDani1birds_small_x4", RGBColor(62, 37, 226), 60, 20)),
    [](const auto& info) { return std::string(std::get<0>(info.param)); });

// Rows holding gull pixels in one frame: the wings must travel up and down.
std::pair<int, int> BirdRows(const Bitmap& strip, int frame) {
  const TColor key = strip.Palette()[2];
  int top = 11, bottom = -1;
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 30; ++x)
      if (strip.PixelColour(x, frame * 11 + y) != key) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  return {top, bottom};
}

TEST(Catalogue, GullWingsBeatAndFaceTheirCourse) {
  const Bitmap strip = Load("DDani1bird", "BITMAP");
  ASSERT_EQ(strip.Height(), 440);
  for (int group = 0; group < 5; ++group) {
    // Wings up in pose 0 reach higher than in pose 4 (wings down), which reach lower.
    const auto up = BirdRows(strip, group * 8), down = BirdRows(strip, group * 8 + 4);
    EXPECT_LT(up.first, down.first) << "group " << group;
    EXPECT_GT(down.second, up.second) << "group " << group;
    // The head (the beak colour) is on the side the gull flies to.
    int beakX = -1;
    const TColor beakColour = RGBColor(236, 186, 70);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 30; ++x)
        if (strip.PixelColour(x, (group * 8 + 2) * 11 + y) == beakColour) beakX = x;
    ASSERT_GE(beakX, 0) << "group " << group;
    if (group < 3) {
      EXPECT_LT(beakX, 15) << "group " << group << " should face left";
    } else {
      EXPECT_GT(beakX, 15) << "group " << group << " should face right";
    }
    // Eight different poses make the beat smooth.
    for (int a = 0; a < 8; ++a)
      for (int b = a + 1; b < 8; ++b)
        EXPECT_NE(0, std::memcmp(&strip.Indices()[(group * 8 + a) * 11 * 30], &strip.Indices()[(group * 8 + b) * 11 * 30],
                                 11 * 30))
            << "group " << group << " poses " << a << " and " << b;
  }
  // Against the low sun the gull is a dark silhouette: most of it is dark.
  int bird = 0, dark = 0;
  for (int i = 0; i < 30 * 440; ++i)
    if (strip.Indices()[i] != 2) {
      ++bird;
      dark += Luma(strip.Palette()[strip.Indices()[i]]) < 100;
    }
  EXPECT_GT(dark, bird * 3 / 4);
}

TEST(Catalogue, SmallGullIsDarkerAndSurvivesHalving) {
  const Bitmap big = Load("DDani1bird", "BITMAP");
  const Bitmap small = Load("DDani1birds_small", "BITMAP");
  auto brightness = [](const Bitmap& b) {
    double sum = 0;
    int n = 0;
    for (int i = 0; i < b.Width() * b.Height(); ++i)
      if (b.Indices()[i] != 2) {
        const TColor c = b.Palette()[b.Indices()[i]];
        sum += RedOf(c) + GreenOf(c) + BlueOf(c);
        ++n;
      }
    return n ? sum / n : 0.0;
  };
  EXPECT_LT(brightness(small), brightness(big) * 0.8);
  // The scene shrinks it to 15 x 5 by taking every other pixel: a bird must remain.
  for (int f = 0; f < 40; ++f) {
    int bird = 0;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 15; ++x) bird += small.Indices()[(f * 11 + y * 11 / 5) * 30 + x * 2] != 2;
    EXPECT_GE(bird, 4) << "frame " << f;
  }
}

TEST(Catalogue, PreviewPicturesAreUncompressed8Bit) {
  for (const char* name : {"PREV_BITMAP", "Image1"}) {
    const resources::Resource* r = Find(name, "BITMAP");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(BmpCompression(r->data), 0) << name;
    const Bitmap b = Load(name, "BITMAP");
    EXPECT_EQ(b.GetFormat(), Bitmap::Format::Indexed8);
    EXPECT_EQ(b.Width(), 154);
    EXPECT_EQ(b.Height(), 116);
    // The miniature has the sky's many colours, not a flat fill.
    std::set<uint8_t> used(b.Indices(), b.Indices() + 154 * 116);
    EXPECT_GT(used.size(), 100u) << name;
  }
}

TEST(Catalogue, SoundLoopsWithoutAClick) {
  const resources::Resource* r = Find("SoundName", "WAVE");
  ASSERT_NE(r, nullptr);
  PcmWave wave;
  std::string error;
  ASSERT_TRUE(ParsePcmWave(r->data, wave, &error)) << error;
  ASSERT_EQ(wave.channels, 2);
  EXPECT_GT(wave.Frames(), 20u * wave.samplesPerSecond) << "too short a loop not to be heard as one";
  const size_t frames = wave.Frames();
  auto sample = [&](size_t frame, int c) {
    const uint8_t* p = wave.data.data() + frame * 4 + c * 2;
    return static_cast<double>(static_cast<int16_t>(p[0] | (p[1] << 8)));
  };
  // The step from the last sample back to the first is no bigger than the
  // ordinary steps of the clip.
  double typical = 0, peak = 0;
  for (size_t i = 1; i < frames; ++i) {
    for (int c = 0; c < 2; ++c) {
      typical += std::abs(sample(i, c) - sample(i - 1, c));
      peak = std::max(peak, std::abs(sample(i, c)));
    }
  }
  typical /= (frames - 1) * 2.0;
  EXPECT_GT(peak, 4000) << "the clip is nearly silent";
  for (int c = 0; c < 2; ++c) {
    const double seam = std::abs(sample(0, c) - sample(frames - 1, c));
    EXPECT_LT(seam, typical * 4 + 50) << "channel " << c;
  }
}

}  // namespace
}  // namespace velmo
