#include "scene/shared_tick.h"

#include <algorithm>

namespace velmo {

void TSharedTick::Join(ITickedScene& scene) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (std::find(scenes_.begin(), scenes_.end(), &scene) != scenes_.end()) return;
  scene.ShowSeaFrame(sea_.load(std::memory_order_relaxed));
  scenes_.push_back(&scene);
}

void TSharedTick::Leave(ITickedScene& scene) {
  std::lock_guard<std::mutex> guard(mutex_);
  std::erase(scenes_, &scene);
}

bool TSharedTick::Joined(const ITickedScene& scene) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return std::find(scenes_.begin(), scenes_.end(), &scene) != scenes_.end();
}

void TSharedTick::Tick(int32_t seaFrame) {
  std::lock_guard<std::mutex> guard(mutex_);
  sea_.store(seaFrame, std::memory_order_relaxed);
  for (ITickedScene* scene : scenes_) scene->TickAt(seaFrame);
}

}  // namespace velmo
