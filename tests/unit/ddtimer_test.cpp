#include "components/ddtimer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_timer.h"

namespace velmo {
namespace {

class DDtimerTest : public ::testing::Test {
 protected:
  DDtimerTest() {
    timer = new TDDtimer(&owner, clock);
    auto record = [this](const char* what) {
      return [this, what](Component* sender) {
        EXPECT_EQ(sender, timer);
        events.push_back(what);
      };
    };
    timer->OnTimer = record("Timer");
    timer->OnZasTime = record("Zas");
  }
  // Fires one tick after ms and returns the events it raised.
  std::vector<std::string> TickAfter(uint32_t ms) {
    events.clear();
    clock.AdvanceAndFire(ms);
    return events;
  }

  FakeTimerService clock;
  Component owner;
  TDDtimer* timer;
  std::vector<std::string> events;
};

using Events = std::vector<std::string>;

TEST_F(DDtimerTest, EnablingStartsOnePeriodicTimerAtTheInterval) {
  EXPECT_EQ(clock.AdvanceAndFire(5000), 0) << "a new timer is off";
  timer->SetInterval(60);
  timer->SetEnabled(true);
  timer->SetEnabled(true);  // already on: nothing more
  EXPECT_EQ(clock.RunningCount(), 1u);
  EXPECT_EQ(clock.setCalls.back().delay, 60u);
  EXPECT_EQ(TickAfter(60), (Events{"Timer"}));
  EXPECT_EQ(TickAfter(60), (Events{"Timer"})) << "still running after its first tick";
}

// Time spent disabled (a re-layout, a refused end) is no stall.
TEST_F(DDtimerTest, DisablingKillsTheTimerAndEnablingRestartsTheStallMeasure) {
  timer->SetEnabled(true);
  for (int i = 0; i < 7; ++i) TickAfter(40);
  timer->SetEnabled(false);
  EXPECT_EQ(clock.killCalls, (std::vector<uint32_t>{clock.setCalls[0].result}));
  EXPECT_EQ(clock.AdvanceAndFire(5000), 0);
  timer->SetEnabled(true);
  EXPECT_EQ(TickAfter(40), (Events{"Timer"}));
}

TEST_F(DDtimerTest, StallIsMoreThan2000Ms) {
  clock.SetTime(1000);
  timer->SetEnabled(true);
  EXPECT_EQ(TickAfter(2000), (Events{"Timer"}));
  EXPECT_EQ(TickAfter(2001), (Events{"Timer", "Zas"}));
  EXPECT_EQ(TickAfter(40), (Events{"Timer"}));
  // A suspend of the machine stops the steady counter but counts as a stall.
  clock.Suspend(5000);
  EXPECT_EQ(TickAfter(40), (Events{"Timer", "Zas"}));
  clock.Suspend(2000);
  EXPECT_EQ(TickAfter(0), (Events{"Timer"}));  // exactly 2000: no stall
}

TEST_F(DDtimerTest, ElapsedTimeIsRightAcrossTheCounterWrap) {
  clock.SetTime(0xFFFFFF00u);
  timer->SetEnabled(true);
  EXPECT_EQ(TickAfter(0x80), (Events{"Timer"}));
  EXPECT_EQ(TickAfter(0x100), (Events{"Timer"}));  // now past zero: still 256 ms
  EXPECT_EQ(TickAfter(2500), (Events{"Timer", "Zas"}));
}

TEST_F(DDtimerTest, TimeInHandlersCountsTowardsTheNextTick) {
  timer->OnTimer = [this](Component*) { clock.Advance(1500); };
  timer->SetEnabled(true);
  EXPECT_EQ(TickAfter(0), (Events{}));
  // 1500 ms spent in the last tick plus 600 since: more than 2000.
  EXPECT_EQ(TickAfter(600), (Events{"Zas"}));
}

TEST_F(DDtimerTest, IntervalChangeWaitsForTheNextEnabling) {
  timer->SetEnabled(true);
  timer->SetInterval(60);
  EXPECT_EQ(timer->GetInterval(), 60);
  EXPECT_EQ(clock.setCalls.size(), 1u);
  EXPECT_EQ(clock.setCalls[0].delay, 40u);
  timer->SetEnabled(false);
  timer->SetEnabled(true);
  EXPECT_EQ(clock.setCalls.back().delay, 60u);
}

TEST_F(DDtimerTest, FailedTimerStaysEnabledSilentAndIsNotKilled) {
  clock.ScriptNextSetEventResult(0);
  timer->SetEnabled(true);
  EXPECT_TRUE(timer->GetEnabled());
  EXPECT_EQ(clock.AdvanceAndFire(40), 0);
  timer->SetEnabled(false);
  EXPECT_FALSE(timer->GetEnabled());
  EXPECT_TRUE(clock.killCalls.empty());
}

TEST_F(DDtimerTest, DisablingFromInsideAHandler) {
  timer->OnTimer = [this](Component*) { timer->SetEnabled(false); };
  timer->SetEnabled(true);
  EXPECT_EQ(TickAfter(2001), (Events{"Zas"}));  // the tick carries on
  EXPECT_FALSE(timer->GetEnabled());
  EXPECT_EQ(clock.RunningCount(), 0u);
}

TEST_F(DDtimerTest, DestroyingAnEnabledTimerKillsItFirst) {
  timer->SetEnabled(true);
  const uint32_t id = clock.setCalls[0].result;
  owner.FreeChild(timer);
  EXPECT_EQ(clock.killCalls, (std::vector<uint32_t>{id}));
  EXPECT_FALSE(clock.IsRunning(id));
}

TEST_F(DDtimerTest, DestroyingADisabledTimerKillsNothing) {
  timer->SetEnabled(true);
  timer->SetEnabled(false);
  owner.FreeChild(timer);
  EXPECT_EQ(clock.killCalls.size(), 1u);
}

}  // namespace
}  // namespace velmo
