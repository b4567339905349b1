#include "platform/posix/thread_timer.h"

#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace velmo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t MMSYSERR_INVALPARAM = 11;

struct Timer {
  uint32_t id = 0;
  Clock::duration period{};
  TimerCallback callback = nullptr;
  uintptr_t user = 0;
  bool periodic = false;

  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;                // guarded by mutex
  std::atomic<bool> finished{false};
  std::thread thread;               // set before the thread may call back
};

void Run(const std::shared_ptr<Timer>& t) {
  std::unique_lock<std::mutex> lock(t->mutex);
  Clock::time_point next = Clock::now() + t->period;
  while (!t->wake.wait_until(lock, next, [&] { return t->stop; })) {
    lock.unlock();
    t->callback(t->id, 0, t->user, 0, 0);
    lock.lock();
    if (!t->periodic) break;
    next += t->period;
    const Clock::time_point now = Clock::now();
    if (now >= next) next += ((now - next) / t->period + 1) * t->period;
  }
  t->finished = true;
}

class ThreadTimerService : public ITimerService {
 public:
  ~ThreadTimerService() override {
    std::vector<std::shared_ptr<Timer>> all;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      for (auto& [id, t] : timers_) all.push_back(t);
      all.insert(all.end(), retired_.begin(), retired_.end());
      timers_.clear();
      retired_.clear();
    }
    for (auto& t : all) Stop(*t);
    for (auto& t : all)
      if (t->thread.joinable() && t->thread.get_id() != std::this_thread::get_id()) t->thread.join();
  }

  uint32_t timeSetEvent(uint32_t delay, uint32_t, TimerCallback callback, uintptr_t user,
                        uint32_t flags) override {
    if (delay == 0 || !callback) return 0;
    ReapFinished();
    auto t = std::make_shared<Timer>();
    t->period = std::chrono::milliseconds(delay);
    t->callback = callback;
    t->user = user;
    t->periodic = (flags & TIME_PERIODIC) != 0;
    std::lock_guard<std::mutex> guard(mutex_);
    do {
      t->id = next_id_++;
    } while (t->id == 0 || timers_.count(t->id));
    try {
      // Holding the timer's mutex keeps its thread from calling back before
      // the thread object is in place.
      std::lock_guard<std::mutex> starting(t->mutex);
      t->thread = std::thread(Run, t);
    } catch (const std::system_error&) {
      return 0;
    }
    timers_[t->id] = t;
    return t->id;
  }

  uint32_t timeKillEvent(uint32_t timerId) override {
    std::shared_ptr<Timer> t;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      auto it = timers_.find(timerId);
      if (it == timers_.end()) return MMSYSERR_INVALPARAM;
      t = std::move(it->second);
      timers_.erase(it);
    }
    Stop(*t);
    if (t->thread.get_id() == std::this_thread::get_id()) {
      // Called from its own callback: the thread ends when that returns.
      std::lock_guard<std::mutex> guard(mutex_);
      retired_.push_back(std::move(t));
      return 0;
    }
    t->thread.join();
    ReapFinished();
    return 0;
  }

  uint32_t timeGetTime() override {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
  }

  uint32_t SuspendCountingTime() override {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
  }

 private:
  static void Stop(Timer& t) {
    {
      std::lock_guard<std::mutex> guard(t.mutex);
      t.stop = true;
    }
    t.wake.notify_all();
  }

  // Joins the threads of timers stopped from their own callbacks once they
  // have ended; never waits for one still running.
  void ReapFinished() {
    std::vector<std::shared_ptr<Timer>> done;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      for (auto it = retired_.begin(); it != retired_.end();) {
        if ((*it)->finished && (*it)->thread.get_id() != std::this_thread::get_id()) {
          done.push_back(std::move(*it));
          it = retired_.erase(it);
        } else {
          ++it;
        }
      }
    }
    for (auto& t : done) t->thread.join();
  }

  std::mutex mutex_;
  std::map<uint32_t, std::shared_ptr<Timer>> timers_;
  std::vector<std::shared_ptr<Timer>> retired_;
  uint32_t next_id_ = 1;
};

}  // namespace

std::unique_ptr<ITimerService> MakeThreadTimerService() { return std::make_unique<ThreadTimerService>(); }

}  // namespace velmo
