// The sound track's container parser, the copy that loops it, and the SDL
// player on the dummy audio driver (end to end, surf_loop.sh plays it on
// the disk driver and without a device).
#include "platform/wave_clip.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/sdl/sdl_sound.h"
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
Bytes Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits = 16, int align = -1) {
  Bytes f;
  Put16(f, tag);
  Put16(f, channels);
  Put32(f, rate);
  Put32(f, rate * channels * bits / 8);
  Put16(f, align < 0 ? channels * bits / 8 : align);
  Put16(f, bits);
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

TEST(ParsePcmWave, FindsFormatAndDataInAnyOrderPastOtherChunksAndKeepsWholeFrames) {
  const Bytes file = Wave({{"LIST", {1, 2, 3}}, {"data", {9, 8, 7, 6, 5, 4, 3}}, {"fmt ", Format(1, 2, 24000)}});
  PcmWave w;
  std::string error;
  ASSERT_TRUE(ParsePcmWave(file, w, &error)) << error;
  EXPECT_EQ(w.channels, 2);
  EXPECT_EQ(w.samplesPerSecond, 24000u);
  ASSERT_EQ(w.data.size(), 4u);  // one stereo frame; the three bytes after it are no frame
  EXPECT_EQ(w.data[0], 9);
  EXPECT_EQ(w.Frames(), 1u);
}

TEST(ParsePcmWave, RefusesWhatIsNotAWellFormedWaveOf16BitPcm) {
  const Bytes frame{1, 2, 3, 4};
  const struct {
    Bytes file;
    const char* says;
  } cases[] = {
      {{}, "RIFF"},
      {Wave({{"fmt ", Format(0x55, 2, 24000)}, {"data", frame}}), "PCM"},
      {Wave({{"fmt ", Format(1, 2, 24000, 8)}, {"data", frame}}), "16 bits"},
      {Wave({{"fmt ", Format(1, 7, 24000)}, {"data", frame}}), "out of range"},
      {Wave({{"fmt ", Format(1, 2, 4000)}, {"data", frame}}), "out of range"},
      {Wave({{"fmt ", Format(1, 2, 24000, 16, 1)}, {"data", frame}}), "block align"},
      {Wave({{"fmt ", {1, 0}}, {"data", frame}}), "too short"},
      {Wave({{"fmt ", Format(1, 2, 24000)}}), "no data"},
      {Wave({{"data", frame}}), "no format"},
      {Wave({{"fmt ", Format(1, 2, 24000)}, {"data", {1, 2, 3}}}), "no whole sample frame"},
  };
  for (const auto& c : cases) {
    PcmWave w;
    std::string error;
    EXPECT_FALSE(ParsePcmWave(c.file, w, &error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
  // A chunk that claims more bytes than the file holds.
  Bytes lying = Wave({{"fmt ", Format(1, 2, 24000)}, {"data", frame}});
  lying[lying.size() - 8] = 0xFF;
  PcmWave w;
  std::string error;
  EXPECT_FALSE(ParsePcmWave(lying, w, &error));
  EXPECT_NE(error.find("past the end"), std::string::npos);
}

TEST(CopyLooped, PlaysTheClipRoundAndRoundAcrossFillsOfAnySize) {
  const Bytes clip{1, 2, 3, 4, 5, 6, 7, 8};
  size_t at = 0;
  Bytes played;
  for (size_t size : {3u, 8u, 1u, 20u, 0u, 4u}) {
    Bytes out(size, 0xEE);
    CopyLooped(clip, &at, out);
    played.insert(played.end(), out.begin(), out.end());
    EXPECT_LT(at, clip.size());
  }
  ASSERT_EQ(played.size(), 36u);
  for (size_t i = 0; i < played.size(); ++i) EXPECT_EQ(played[i], clip[i % clip.size()]) << i;
  // A place outside the clip starts it again; no clip is silence.
  at = 99;
  Bytes out(3);
  CopyLooped(clip, &at, out);
  EXPECT_EQ(out, (Bytes{1, 2, 3}));
  CopyLooped({}, &at, out);
  EXPECT_EQ(out, (Bytes{0, 0, 0}));
}

TEST(SdlSound, PlaysAndStopsOnTheDummyDriverAndStaysSilentOnBadData) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  auto sound = MakeSdlSound();
  const resources::Resource* r = resources::Find("SoundName", "WAVE");
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(sound->PlayLoop(r->data, ClipMemory::FileMapped));
  sound->Stop();
  sound->Stop();  // twice is harmless
  const Bytes bad{'R', 'I', 'F', 'F', 0, 0, 0, 0};
  EXPECT_FALSE(sound->PlayLoop(bad, ClipMemory::Kept));
  // And it plays again afterwards: at once, or, where a loaded machine made
  // the close outlast the ending's wait, once that close is done.
  bool again = false;
  for (int i = 0; i < 500 && !(again = sound->PlayLoop(r->data, ClipMemory::FileMapped)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(again);
}

}  // namespace
}  // namespace velmo
