#include "platform/posix/thread_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "components/ddtimer.h"

namespace velmo {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Waits for a condition that the timer thread makes true; generous, since a
// loaded machine may be slow, but returns as soon as it holds.
template <typename F>
bool Eventually(F condition) {
  const auto give_up = Clock::now() + 10s;
  while (!condition()) {
    if (Clock::now() > give_up) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(ThreadTimer, CounterIsMillisecondsOfTheSteadyClock) {
  auto service = MakeThreadTimerService();
  const uint32_t before = service->timeGetTime();
  std::this_thread::sleep_for(20ms);
  const uint32_t passed = service->timeGetTime() - before;
  EXPECT_GE(passed, 20u);
}

TEST(ThreadTimer, RefusesWhatCannotRun) {
  auto service = MakeThreadTimerService();
  EXPECT_EQ(service->timeSetEvent(0, 0, [](uint32_t, uint32_t, uintptr_t, uintptr_t, uintptr_t) {}, 0,
                                  TIME_PERIODIC),
            0u);
  EXPECT_EQ(service->timeSetEvent(10, 0, nullptr, 0, TIME_PERIODIC), 0u);
  EXPECT_NE(service->timeKillEvent(12345), 0u);
}

struct Probe {
  std::atomic<int> ticks{0};
  std::atomic<bool> on_caller_thread{false};
  std::thread::id caller;
  ITimerService* service = nullptr;
  std::atomic<uint32_t> id{0};
  std::atomic<bool> in_callback{false};
  std::atomic<bool> release{false};
  std::atomic<uint32_t> kill_result{99};
};

TEST(ThreadTimer, TicksArriveOnAnotherThreadAtTheInterval) {
  auto service = MakeThreadTimerService();
  Probe probe;
  probe.caller = std::this_thread::get_id();
  const auto start = Clock::now();
  const uint32_t id = service->timeSetEvent(
      10, 0,
      [](uint32_t, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
        auto* p = reinterpret_cast<Probe*>(user);
        if (std::this_thread::get_id() == p->caller) p->on_caller_thread = true;
        ++p->ticks;
      },
      reinterpret_cast<uintptr_t>(&probe), TIME_PERIODIC);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(Eventually([&] { return probe.ticks >= 5; }));
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 50ms);  // five periods of 10 ms cannot come sooner
  EXPECT_EQ(service->timeKillEvent(id), 0u);
  const int after_kill = probe.ticks;
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(probe.ticks, after_kill);  // stopped for good
  EXPECT_FALSE(probe.on_caller_thread);
}

TEST(ThreadTimer, KillFromInsideItsOwnCallbackReturns) {
  auto service = MakeThreadTimerService();
  Probe probe;
  probe.service = service.get();
  probe.id = service->timeSetEvent(
      5, 0,
      [](uint32_t id, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
        auto* p = reinterpret_cast<Probe*>(user);
        ++p->ticks;
        p->kill_result = p->service->timeKillEvent(id);
      },
      reinterpret_cast<uintptr_t>(&probe), TIME_PERIODIC);
  ASSERT_NE(probe.id, 0u);
  ASSERT_TRUE(Eventually([&] { return probe.kill_result != 99u; }));
  EXPECT_EQ(probe.kill_result, 0u);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(probe.ticks, 1);
  // The service goes on making timers after one ended itself.
  const uint32_t next = service->timeSetEvent(
      5, 0, [](uint32_t, uint32_t, uintptr_t, uintptr_t, uintptr_t) {}, 0, TIME_PERIODIC);
  EXPECT_NE(next, 0u);
  EXPECT_EQ(service->timeKillEvent(next), 0u);
}

TEST(ThreadTimer, KillWaitsForARunningCallback) {
  auto service = MakeThreadTimerService();
  Probe probe;
  const uint32_t id = service->timeSetEvent(
      5, 0,
      [](uint32_t, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
        auto* p = reinterpret_cast<Probe*>(user);
        p->in_callback = true;
        while (!p->release) std::this_thread::yield();
        p->in_callback = false;
      },
      reinterpret_cast<uintptr_t>(&probe), TIME_PERIODIC);
  ASSERT_TRUE(Eventually([&] { return probe.in_callback.load(); }));
  std::atomic<bool> killed{false};
  std::thread killer([&] {
    service->timeKillEvent(id);
    killed = true;
  });
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(killed);  // still held by the callback
  probe.release = true;
  killer.join();
  EXPECT_TRUE(killed);
  EXPECT_FALSE(probe.in_callback);  // the callback had finished before the kill returned
}

TEST(ThreadTimer, OneShotFiresOnce) {
  auto service = MakeThreadTimerService();
  Probe probe;
  service->timeSetEvent(
      5, 0, [](uint32_t, uint32_t, uintptr_t user, uintptr_t, uintptr_t) { ++reinterpret_cast<Probe*>(user)->ticks; },
      reinterpret_cast<uintptr_t>(&probe), TIME_ONESHOT);
  ASSERT_TRUE(Eventually([&] { return probe.ticks == 1; }));
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(probe.ticks, 1);
}

// The component on the real service: events on the timer thread, and a
// handler that disables its own timer.
TEST(ThreadTimer, DDtimerRunsAndStopsFromItsOwnHandler) {
  auto service = MakeThreadTimerService();
  auto* timer = new TDDtimer(nullptr, *service);
  timer->SetInterval(5);
  std::atomic<int> ticks{0};
  timer->OnTimer = [&](Component* sender) {
    if (++ticks % 5 == 0) static_cast<TDDtimer*>(sender)->SetEnabled(false);
  };
  timer->SetEnabled(true);
  ASSERT_TRUE(Eventually([&] { return !timer->GetEnabled(); }));
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(ticks, 5);
  timer->SetEnabled(true);
  ASSERT_TRUE(Eventually([&] { return ticks == 10; }));
  delete timer;  // may overlap the tail of the tick that disabled it
}

TEST(ThreadTimer, DDtimerDestroyedWhileTicking) {
  auto service = MakeThreadTimerService();
  std::atomic<int> ticks{0};
  for (int round = 0; round < 5; ++round) {
    auto* timer = new TDDtimer(nullptr, *service);
    timer->SetInterval(1);
    timer->OnTimer = [&](Component*) { ++ticks; };
    timer->SetEnabled(true);
    const int target = ticks + 3;
    ASSERT_TRUE(Eventually([&] { return ticks >= target; }));
    delete timer;
  }
  const int after = ticks;
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(ticks, after);
}

}  // namespace
}  // namespace velmo
