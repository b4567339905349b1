#include "scene/gathered_writes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace velmo {
namespace {

using namespace std::chrono_literals;

struct Written {
  std::mutex mutex;
  std::vector<TGatheredWrites::Batch> batches;
  std::vector<std::thread::id> threads;
  std::function<void(const TGatheredWrites::Batch&)> Writer() {
    return [this](const TGatheredWrites::Batch& b) {
      std::lock_guard lock(mutex);
      batches.push_back(b);
      threads.push_back(std::this_thread::get_id());
    };
  }
  size_t Count() {
    std::lock_guard lock(mutex);
    return batches.size();
  }
};

// A held key: many changes in a row are one write, of the last values, made
// off the caller's thread once the changes rest.
TEST(GatheredWrites, ARunOfChangesIsOneWriteOfTheLastValuesOffTheCallersThread) {
  Written written;
  TGatheredWrites store(written.Writer(), 30ms);
  for (int x = 100; x <= 140; ++x) {
    store.Set("clockX", x);
    if (x == 120) store.Set("Gamma", 200);
  }
  store.Set("Gamma", 201);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (written.Count() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
  ASSERT_EQ(written.Count(), 1u);
  EXPECT_EQ(written.batches[0], (TGatheredWrites::Batch{{"clockX", 140}, {"Gamma", 201}}));
  EXPECT_NE(written.threads[0], std::this_thread::get_id());
  store.Flush();  // nothing left to write
  EXPECT_EQ(written.Count(), 1u);
}

// The end comes inside the quiet time (SIGTERM right after a key): the flush
// writes what is pending at once, on the caller's thread; so does the end of
// the store itself.
TEST(GatheredWrites, NothingIsLostWhenTheEndComesBeforeTheQuietTime) {
  Written written;
  {
    TGatheredWrites store(written.Writer(), 1h);
    store.Set("clockY", 7);
    store.Set("clockY", 8);
    store.Flush();
    ASSERT_EQ(written.Count(), 1u);
    EXPECT_EQ(written.batches[0], (TGatheredWrites::Batch{{"clockY", 8}}));
    EXPECT_EQ(written.threads[0], std::this_thread::get_id());
    store.Set("Gamma", 3);
  }
  ASSERT_EQ(written.Count(), 2u);
  EXPECT_EQ(written.batches[1], (TGatheredWrites::Batch{{"Gamma", 3}}));
}

}  // namespace
}  // namespace velmo
