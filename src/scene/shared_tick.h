#pragma once
// One frame timer for the scenes of every monitor: the primary scene's timer
// ticks the others too, so that the sea rolls on every monitor at the same
// tick (monitors of one size then share the band they show, see
// TFrameComposer::ShareBandOf) and the loop wakes once a tick for them all.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace velmo {

// A scene the shared timer ticks.
class ITickedScene {
 public:
  virtual ~ITickedScene() = default;
  // The sea shows seaFrame from now on; the gulls stay. Under the tick's lock.
  virtual void ShowSeaFrame(int32_t seaFrame) = 0;
  // The gulls fly a step, the sea shows seaFrame. The timer's thread.
  virtual void TickAt(int32_t seaFrame) = 0;
};

class TSharedTick {
 public:
  // The scene is ticked from the next tick on, its sea at the frame the
  // others show. Loop's thread; allocates.
  void Join(ITickedScene& scene);
  // Returns once no tick touches the scene any more. Loop's thread.
  void Leave(ITickedScene& scene);
  bool Joined(const ITickedScene& scene) const;
  // Moves the gulls of every scene that joined and sets their sea to
  // seaFrame. The ticking timer's thread; waits only for a Join or Leave
  // under way; allocates nothing.
  void Tick(int32_t seaFrame);

 private:
  mutable std::mutex mutex_;
  std::vector<ITickedScene*> scenes_;
  std::atomic<int32_t> sea_{0};
};

}  // namespace velmo
