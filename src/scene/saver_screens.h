#pragma once
// The full-screen saver on every monitor: one scene window per monitor,
// each laid out at its monitor's own size. The primary monitor's scene
// holds the clock, the frame-rate text, the surf and the display mode chosen
// in the settings; keys typed anywhere act on it; its timer ticks them all;
// any scene's end ends them all. A scene copies the sea band of an earlier
// one of the same size rather than draw it again. Monitors added, removed,
// moved or resized while the saver runs are followed at the next frame.
#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.h"
#include "scene/saver_options.h"
#include "scene/shared_tick.h"

namespace velmo {

class TForm1;
class TFrameComposer;

// Inside a daemon that runs one saver per monitor, whether this one plays
// the surf: the one whose window holds the primary monitor's origin (the
// desktop's origin when the monitors are unknown). saverIndex, when given
// (a multiplexer's numbering), decides instead: the saver numbered 0.
bool HoldsTheSurf(const Rect& window, const std::vector<MonitorArea>& monitors, std::optional<int> saverIndex);

class TSaverScreens {
 public:
  // options: what the command line gives for this run (full screen).
  explicit TSaverScreens(Platform& platform, const TSaverOptions& options = {});
  ~TSaverScreens();

  // A scene on every monitor, the primary's first (the default display's
  // alone where the monitors are unknown); the loop's idle handler composes
  // them all. Scenes after the primary are not started when its start-up
  // ended it (an error box, a refused mode).
  void Start();
  // The primary monitor's scene; the loop runs until its window closes.
  TForm1& Primary() { return *scenes_.front(); }
  size_t Count() const { return scenes_.size(); }
  TForm1& Scene(size_t i) { return *scenes_[i]; }
  // True once any scene has ended on an error it showed.
  bool Failed() const;

  // The idle handler: follows changed monitors, then composes and flips
  // every scene's frame (the loop waits for the refresh once for all).
  void ComposeFrames(bool& done);

  // How long after the monitors changed (and the scenes followed) a moved
  // pointer only sets its last place: long enough for a window manager on
  // a loaded machine to have moved the windows it moves with the monitors
  // (openbox took over a second once), short beside a user's return.
  static constexpr uint32_t kLayoutSettleMs = 3000;

 private:
  std::unique_ptr<TForm1> StartScene(const std::optional<MonitorArea>& monitor);
  void Follow(const std::vector<MonitorArea>& monitors);
  void EndAll();
  // True for a while after the monitors changed: the window system may have
  // moved the pointer with them (onto a smaller screen), which is no
  // movement of the user's. Notes a change to follow at the next frame.
  bool LayoutMoving();

  Platform& platform_;
  const TSaverOptions options_;
  TSharedTick tick_;  // outlives the scenes it ticks
  std::vector<std::unique_ptr<TForm1>> scenes_;
  // This turn's composed scenes, for the band; kept to reuse its memory.
  std::vector<const TFrameComposer*> composed_;
  bool ending_ = false;
  bool failed_ = false;
  bool followPending_ = false;
  bool layoutChanged_ = false;
  uint32_t layoutChangedAt_ = 0;
};

// Saver mode without a daemon: every monitor until any scene ends. False
// when a scene ended on an error it showed.
bool RunSaverScreens(Platform& platform, const TSaverOptions& options = {});

// Saver mode: full screen, every monitor (above); in a window (a daemon's,
// or one of its own), the one scene inside it until it closes or the daemon
// ends us. Blocks in the application's loop on the calling thread. False
// when the saver ended on an error it showed.
bool RunSaver(Platform& platform, const TSaverOptions& options = {});

}  // namespace velmo
