// The watcher's rules against a fake idle source: when the saver starts,
// what holds it off, when it may start again.
#include "app/idle_watch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dbus/inhibition_table.h"
#include "platform/fake/fake_idle.h"

namespace velmo {
namespace {

constexpr uint32_t kDelay = 3000;

// The world as the rules see it: the fake source, a saver that runs until
// the test ends it, a one-shot timer the test fires.
struct World : IIdleActions {
  FakeIdleSource source;
  TIdleWatch watch{*this, kDelay};
  int starts = 0, stops = 0;
  uint32_t timer = 0;

  void StartSaver() override { ++starts; }
  void StopSaver() override { ++stops; }
  void ArmSource(uint32_t delayMs) override { source.Arm(delayMs); }
  void SetTimer(uint32_t delayMs) override { timer = delayMs; }

  // The source reports these, and the loop feeds them to the rules.
  void Report(std::initializer_list<IdleEvent> events) {
    source.pending.insert(source.pending.end(), events);
    source.Dispatch([this](IdleEvent e) { watch.OnEvent(e); });
  }
  void SaverEnds() {
    ASSERT_TRUE(watch.SaverRunning());
    watch.OnSaverEnded();
  }
  void TimerFires() {
    ASSERT_NE(timer, 0u);
    timer = 0;
    watch.OnTimer();
  }
};

using E = IdleEvent;

TEST(IdleWatch, StartsAtEachIdleDelayAndAgainOnlyAfterInputEndedTheLast) {
  World w;
  w.watch.Start();
  EXPECT_EQ(w.source.arms, (std::vector<uint32_t>{kDelay}));
  EXPECT_EQ(w.starts, 0);
  w.Report({E::kIdle});
  EXPECT_EQ(w.starts, 1);
  w.Report({E::kIdle});  // a second report while it runs starts nothing
  EXPECT_EQ(w.starts, 1);
  // The key that ends it reaches the source after the saver's end: until
  // then the session still counts as idle, and nothing starts.
  w.SaverEnds();
  w.Report({});
  EXPECT_EQ(w.starts, 1);
  w.Report({E::kActive});
  EXPECT_EQ(w.starts, 1);
  w.Report({E::kIdle});
  EXPECT_EQ(w.starts, 2);
  // The input came first this time: the next idle delay starts it.
  w.Report({E::kActive});
  w.SaverEnds();
  w.Report({E::kIdle});
  EXPECT_EQ(w.starts, 3);
  EXPECT_EQ(w.source.arms.size(), 1u);  // the source re-arms itself after input
  EXPECT_EQ(w.stops, 0);
}

TEST(IdleWatch, AnInhibitionHoldsItOffAndOnceReleasedAWholeDelayFollows) {
  struct Case {
    const char* what;
    bool inputWhileWaiting;
    int startsAfter;
  } cases[] = {
      {"the delay passes without input", false, 1},
      {"input during the delay", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    World w;
    w.watch.Start();
    w.watch.OnInhibited(true);
    w.Report({E::kIdle});
    EXPECT_EQ(w.starts, 0);
    EXPECT_EQ(w.timer, 0u);
    // A player whose connection closed: its inhibition goes, and the saver
    // starts a whole delay later, not at once.
    w.watch.OnInhibited(false);
    EXPECT_EQ(w.starts, 0);
    EXPECT_EQ(w.timer, kDelay);
    if (c.inputWhileWaiting) {
      w.Report({E::kActive});
      EXPECT_EQ(w.timer, 0u);
      w.watch.OnTimer();  // a wake already on its way starts nothing
    } else {
      w.TimerFires();
    }
    EXPECT_EQ(w.starts, c.startsAfter);
  }
}

TEST(IdleWatch, ReleasedWhileActiveTheSourcesNextIdleStartsIt) {
  World w;
  w.watch.Start();
  w.watch.OnInhibited(true);
  w.watch.OnInhibited(false);
  EXPECT_EQ(w.timer, 0u);  // no idle reported: nothing to count from
  w.Report({E::kIdle});
  EXPECT_EQ(w.starts, 1);
}

TEST(IdleWatch, TheDesktopsLockOrBlankEndsTheSaverAndHoldsItOffUntilInput) {
  for (const bool lock : {true, false}) {
    SCOPED_TRACE(lock ? "locked" : "blanked");
    World w;
    auto cover = [&](bool on) { lock ? w.watch.OnLocked(on) : w.watch.OnBlanked(on); };
    w.watch.Start();
    w.Report({E::kIdle});
    ASSERT_EQ(w.starts, 1);
    cover(true);
    EXPECT_EQ(w.stops, 1);  // ends quietly
    w.SaverEnds();
    w.Report({E::kIdle});
    EXPECT_EQ(w.starts, 1);  // never over the lock
    cover(false);
    w.Report({E::kIdle});
    EXPECT_EQ(w.starts, 1);  // the unlock itself is no new idle period
    w.Report({E::kActive, E::kIdle});
    EXPECT_EQ(w.starts, 2);
  }
}

TEST(IdleWatch, TheXServersBlankComesAsTheSourcesEvent) {
  World w;
  w.watch.Start();
  w.Report({E::kIdle});
  w.Report({E::kBlanked});
  EXPECT_EQ(w.stops, 1);
  w.SaverEnds();
  w.Report({E::kUnblanked, E::kActive, E::kIdle});
  EXPECT_EQ(w.starts, 2);
}

TEST(IdleWatch, ANewStoredDelayArmsTheSourceAnew) {
  World w;
  w.watch.Start();
  w.watch.SetDelay(kDelay);  // unchanged: nothing
  w.watch.SetDelay(60000);
  EXPECT_EQ(w.source.arms, (std::vector<uint32_t>{kDelay, 60000}));
  EXPECT_EQ(w.watch.Delay(), 60000u);
  w.Report({E::kIdle});
  EXPECT_EQ(w.starts, 1);
}

TEST(InhibitionTable, EachCallerHoldsItsOwnUntilItReleasesThemOrItsConnectionCloses) {
  TInhibitionTable table;
  const uint32_t video = table.Add(":1.7", "player", "video");
  const uint32_t talk = table.Add(":1.9", "browser", "meeting");
  const uint32_t second = table.Add(":1.7", "player", "second video");
  EXPECT_NE(video, 0u);
  EXPECT_NE(video, talk);
  EXPECT_NE(video, second);
  EXPECT_EQ(table.First(), "player (video)");
  EXPECT_FALSE(table.Remove(":1.9", video));  // not the caller's own
  EXPECT_TRUE(table.Remove(":1.7", video));
  EXPECT_FALSE(table.Remove(":1.7", video));  // already gone
  // The player crashed: what it still held goes with its connection.
  EXPECT_EQ(table.DropSender(":1.7"), 1u);
  EXPECT_FALSE(table.Holds(":1.7"));
  EXPECT_FALSE(table.Empty());
  EXPECT_TRUE(table.Remove(":1.9", talk));
  EXPECT_TRUE(table.Empty());
  EXPECT_EQ(table.First(), "");
}

}  // namespace
}  // namespace velmo
