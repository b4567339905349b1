#pragma once
// Values the live keys change, gathered and written off the loop's thread:
// a held arrow key changes the clock 25 times a second, and each write of
// the settings file (a lock, a read, a replace and its flushes) would stall
// the frame loop. The writer waits until the changes have been quiet for a
// moment and then writes the latest value of each name in one step; Flush
// writes what is left at once, so the last change is on disk before the
// program ends (the saver's end, SIGTERM's included, flushes).
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velmo {

class TGatheredWrites {
 public:
  using Batch = std::vector<std::pair<std::string, int>>;
  // write stores a batch (the writer's thread, or Flush's caller); it must
  // not throw. quiet: how long the changes rest before they are written.
  TGatheredWrites(std::function<void(const Batch&)> write, std::chrono::milliseconds quiet);
  // Flushes, then ends the writer's thread.
  ~TGatheredWrites();
  TGatheredWrites(const TGatheredWrites&) = delete;
  TGatheredWrites& operator=(const TGatheredWrites&) = delete;

  // The newest value of name (the loop's thread): replaces one not yet
  // written. Costs a lock and, the first time, starting the writer.
  void Set(const std::string& name, int value);
  // Writes every value not yet written, on the calling thread, after a
  // batch under way; returns once they are stored.
  void Flush();

 private:
  void Run();
  Batch Take();  // with mutex_ held

  std::function<void(const Batch&)> write_;
  const std::chrono::milliseconds quiet_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Batch pending_;
  std::chrono::steady_clock::time_point lastSet_{};
  bool writing_ = false;
  bool stop_ = false;
  std::thread writer_;  // started with the first change
};

}  // namespace velmo
