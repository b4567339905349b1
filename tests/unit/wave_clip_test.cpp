// The sound track's container parser and decoder, and the SDL player's
// failure paths (no device, bad data) under the dummy audio driver.
#include "platform/wave_clip.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/sdl/sdl_sound.h"
#include "fakes/largest_allocation.h"
#include "fakes/le_bytes.h"
#include "resources/catalogue.h"

namespace velmo {
namespace {

using testing::Bytes;
using testing::Put16;
using testing::Put32;
void Chunk(Bytes& b, const char* tag, const Bytes& body) {
  b.insert(b.end(), tag, tag + 4);
  Put32(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  if (body.size() & 1) b.push_back(0);
}
Bytes Format(uint16_t tag, uint16_t channels, uint32_t rate, bool extension, uint16_t delay = 0) {
  Bytes f;
  Put16(f, tag);
  Put16(f, channels);
  Put32(f, rate);
  Put32(f, 5000);
  Put16(f, 1);
  Put16(f, 0);
  if (extension) {
    Put16(f, 12);
    Put16(f, 1);
    Put32(f, 2);
    Put16(f, 120);
    Put16(f, 1);
    Put16(f, delay);
  }
  return f;
}
Bytes Wave(const std::vector<std::pair<const char*, Bytes>>& chunks) {
  Bytes body{'W', 'A', 'V', 'E'};
  for (const auto& [tag, data] : chunks) Chunk(body, tag, data);
  Bytes file{'R', 'I', 'F', 'F'};
  Put32(file, static_cast<uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

TEST(ParseMp3Wave, FindsFormatFactAndDataInAnyOrderPastOtherChunks) {
  Bytes fact;
  Put32(fact, 690048);
  const Bytes file = Wave({{"LIST", {1, 2, 3}}, {"fact", fact}, {"fmt ", Format(0x55, 2, 24000, true, 1105)},
                           {"data", {9, 8, 7, 6}}});
  Mp3Wave w;
  std::string error;
  ASSERT_TRUE(ParseMp3Wave(file, w, &error)) << error;
  EXPECT_EQ(w.channels, 2);
  EXPECT_EQ(w.samplesPerSecond, 24000u);
  EXPECT_EQ(w.avgBytesPerSecond, 5000u);
  EXPECT_EQ(w.blockAlign, 1);
  EXPECT_EQ(w.factSamples, 690048u);
  EXPECT_TRUE(w.hasCodecDelay);
  EXPECT_EQ(w.codecDelay, 1105);
  EXPECT_EQ(w.data.size(), 4u);
  EXPECT_EQ(w.data[0], 9);
}

TEST(ParseMp3Wave, WithoutExtensionOrFactTheDefaultsApply) {
  const Bytes file = Wave({{"fmt ", Format(0x55, 1, 22050, false)}, {"data", {1, 2}}});
  Mp3Wave w;
  ASSERT_TRUE(ParseMp3Wave(file, w, nullptr));
  EXPECT_FALSE(w.hasCodecDelay);
  EXPECT_EQ(w.factSamples, 0u);
}

TEST(ParseMp3Wave, RefusesWhatIsNotAWellFormedLayer3Wave) {
  Mp3Wave w;
  std::string error;
  EXPECT_FALSE(ParseMp3Wave({}, w, &error));
  EXPECT_NE(error.find("RIFF"), std::string::npos);
  EXPECT_FALSE(ParseMp3Wave(Wave({{"fmt ", Format(1, 2, 24000, false)}, {"data", {1}}}), w, &error));
  EXPECT_NE(error.find("0x0055"), std::string::npos);
  EXPECT_FALSE(ParseMp3Wave(Wave({{"fmt ", Format(0x55, 2, 24000, true)}}), w, &error));
  EXPECT_NE(error.find("data"), std::string::npos);
  EXPECT_FALSE(ParseMp3Wave(Wave({{"data", {1, 2}}}), w, &error));
  EXPECT_NE(error.find("format"), std::string::npos);
  EXPECT_FALSE(ParseMp3Wave(Wave({{"fmt ", Format(0x55, 7, 24000, true)}, {"data", {1}}}), w, &error));
  EXPECT_FALSE(ParseMp3Wave(Wave({{"fmt ", {0x55, 0}}, {"data", {1}}}), w, &error));
  // A chunk that claims more bytes than the file holds.
  Bytes lying = Wave({{"fmt ", Format(0x55, 2, 24000, true)}, {"data", {1, 2, 3, 4}}});
  lying[lying.size() - 8] = 0xFF;
  EXPECT_FALSE(ParseMp3Wave(lying, w, &error));
  EXPECT_NE(error.find("past the end"), std::string::npos);
}

TEST(DecodeMp3Wave, GarbageFramesAreRefused) {
  Bytes noise(4000);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 37 + 11);
  Mp3Wave w;
  w.channels = 2;
  w.samplesPerSecond = 24000;
  w.data = noise;
  Pcm pcm;
  std::string error;
  EXPECT_FALSE(DecodeMp3Wave(w, pcm, &error));
  EXPECT_FALSE(error.empty());
}

TEST(DecodeMp3Wave, FactCountCapsTheClipAndTheDelayIsSkipped) {
  const resources::Resource* r = resources::Find("SoundName", "WAVE");
  ASSERT_NE(r, nullptr);
  Mp3Wave w;
  ASSERT_TRUE(ParseMp3Wave(r->data, w, nullptr));
  Pcm full;
  ASSERT_TRUE(DecodeMp3Wave(w, full, nullptr));
  w.factSamples = 1000;
  Pcm capped;
  ASSERT_TRUE(DecodeMp3Wave(w, capped, nullptr));
  EXPECT_EQ(capped.Frames(), 1000u);
  EXPECT_TRUE(std::equal(capped.samples.begin(), capped.samples.end(), full.samples.begin()));
  // A fact count the data cannot hold reserves only what the data can give,
  // also near 2^32 where 32-bit arithmetic would wrap.
  for (uint32_t fact : {0xF0000000u, 0xFFFFFFFFu}) {
    w.factSamples = fact;
    Pcm all;
    const auto largest = testing::LargestAllocationDuring([&] { ASSERT_TRUE(DecodeMp3Wave(w, all, nullptr)); });
    ASSERT_GE(all.samples.size(), full.samples.size());
    EXPECT_TRUE(std::equal(full.samples.begin(), full.samples.end(), all.samples.begin()));
    if (largest) {
      EXPECT_LT(*largest, 64u << 20);
    }
  }
  w.factSamples = 0;
  // Skipping less of the front shows the same audio later.
  w.codecDelay = static_cast<uint16_t>(w.codecDelay - 10);
  Pcm earlier;
  ASSERT_TRUE(DecodeMp3Wave(w, earlier, nullptr));
  EXPECT_TRUE(std::equal(full.samples.begin(), full.samples.begin() + 200, earlier.samples.begin() + 20));
}

TEST(SdlSound, PlaysAndStopsOnTheDummyDriverAndStaysSilentOnBadData) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  auto sound = MakeSdlSound();
  const resources::Resource* r = resources::Find("SoundName", "WAVE");
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(sound->PlayLoop(r->data));
  sound->Stop();
  sound->Stop();  // twice is harmless
  const Bytes bad{'R', 'I', 'F', 'F', 0, 0, 0, 0};
  EXPECT_FALSE(sound->PlayLoop(bad));
  EXPECT_TRUE(sound->PlayLoop(r->data));  // and it plays again afterwards
}

TEST(SdlSound, NoSoundDeviceMeansSilenceNotAHang) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  auto sound = MakeSdlSound();
  const resources::Resource* r = resources::Find("SoundName", "WAVE");
  ASSERT_NE(r, nullptr);
  EXPECT_FALSE(sound->PlayLoop(r->data));
  sound->Stop();
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

}  // namespace
}  // namespace velmo
