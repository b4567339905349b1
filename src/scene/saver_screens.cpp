#include "scene/saver_screens.h"

#include "scene/form1.h"

namespace velmo {

bool HoldsTheSurf(const Rect& window, const std::vector<MonitorArea>& monitors, std::optional<int> saverIndex) {
  if (saverIndex) return *saverIndex == 0;
  for (const MonitorArea& m : monitors)
    if (m.primary) return window.Holds(m.area.left, m.area.top);
  return window.Holds(0, 0);
}

TSaverScreens::TSaverScreens(Platform& platform, const TSaverOptions& options)
    : platform_(platform), options_(options) {}

TSaverScreens::~TSaverScreens() {
  // The secondary scenes go first: the primary's window is the loop's.
  while (scenes_.size() > 1) scenes_.pop_back();
}

std::unique_ptr<TForm1> TSaverScreens::StartScene(const std::optional<MonitorArea>& monitor) {
  std::optional<TScreenPlace> place;
  if (monitor) place = TScreenPlace{monitor->area, scenes_.empty()};
  auto scene = std::make_unique<TForm1>(platform_, options_, place);
  scene->FOwnsLoop = false;
  scene->FSharedTick = &tick_;
  scene->FLayoutMoving = [this] { return LayoutMoving(); };
  scene->OnEnded = [this, ended = scene.get()] {
    failed_ = failed_ || ended->FFailed;
    EndAll();
  };
  if (!scenes_.empty()) {
    TForm1& primary = *scenes_.front();
    scene->FKeyTarget = &primary;
    scene->FormCreate();
    // The brightness keys act on the primary; every monitor follows it.
    if (!scene->FEnded) scene->SetBrightness(primary.Settings.Gamma);
  } else {
    scene->OnBrightness = [this](int level) {
      for (size_t i = 1; i < scenes_.size(); ++i) scenes_[i]->SetBrightness(level);
    };
    scene->FormCreate();
  }
  return scene;
}

void TSaverScreens::Start() {
  const std::vector<MonitorArea> monitors = platform_.display.Monitors();
  if (monitors.empty()) {
    scenes_.push_back(StartScene(std::nullopt));
  } else {
    for (const MonitorArea& m : monitors) {
      scenes_.push_back(StartScene(m));
      if (scenes_.front()->FEnded) break;
    }
  }
  // What start-up itself changed (a display mode of the saver's own) is no
  // change of the desk: the pointer it moved was already let go.
  if (platform_.display.MonitorsChanged() && !scenes_.front()->FEnded) Follow(platform_.display.Monitors());
  platform_.app.SetIdleHandler([this](bool& done) { ComposeFrames(done); });
}

bool TSaverScreens::LayoutMoving() {
  const uint32_t now = platform_.timer.timeGetTime();
  if (platform_.display.MonitorsChanged()) {
    followPending_ = true;
    layoutChanged_ = true;
    layoutChangedAt_ = now;
  }
  return layoutChanged_ && now - layoutChangedAt_ < kLayoutSettleMs;
}

void TSaverScreens::ComposeFrames(bool& done) {
  LayoutMoving();
  if (followPending_) {
    followPending_ = false;
    Follow(platform_.display.Monitors());
    // Scenes started for new monitors took their time: the window system's
    // moves of the pointer are seen after them.
    layoutChangedAt_ = platform_.timer.timeGetTime();
  }
  done = true;
  // The scenes composed earlier in the turn may lend a later one their sea
  // band (the composer picks one laid out alike).
  composed_.clear();
  for (const auto& scene : scenes_) {
    scene->ShareBandOf(composed_.data(), composed_.size());
    bool sceneDone = true;
    scene->ComposeFrame(sceneDone);
    done = done && sceneDone;
    composed_.push_back(scene->Composer());
  }
}

void TSaverScreens::Follow(const std::vector<MonitorArea>& monitors) {
  if (monitors.empty() || ending_ || !scenes_.front()->Area() || scenes_.front()->FEnded) return;
  // The primary's scene follows the primary monitor, unless it shows a mode
  // of its own there (the change is then its own doing).
  TForm1& primary = *scenes_.front();
  if (!primary.InModeOfItsOwn() && *primary.Area() != monitors.front().area) primary.FollowArea(monitors.front().area);
  for (size_t i = 1; i < monitors.size(); ++i) {
    if (i < scenes_.size()) {
      if (*scenes_[i]->Area() != monitors[i].area) scenes_[i]->FollowArea(monitors[i].area);
      continue;
    }
    scenes_.push_back(StartScene(monitors[i]));
    if (ending_) return;
  }
  while (scenes_.size() > monitors.size()) {
    scenes_.back()->Retire();
    scenes_.pop_back();
  }
}

bool TSaverScreens::Failed() const {
  for (const auto& scene : scenes_)
    if (scene->FFailed) return true;
  return failed_;  // a scene that ended on an error may have left with its monitor
}

void TSaverScreens::EndAll() {
  if (ending_) return;
  ending_ = true;
  for (const auto& scene : scenes_)
    if (!scene->FEnded) scene->EndSaver();
}

bool RunSaverScreens(Platform& platform, const TSaverOptions& options) {
  TSaverScreens screens(platform, options);
  screens.Start();
  platform.app.Run(screens.Primary().Window());
  return !screens.Failed() && !platform.app.RunFailed();
}

bool RunSaver(Platform& platform, const TSaverOptions& options) {
  if (!options.InWindow()) return RunSaverScreens(platform, options);
  TForm1 form(platform, options);
  form.FormCreate();
  platform.app.Run(form.Window());
  return !form.FFailed;
}

}  // namespace velmo
