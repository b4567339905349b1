#pragma once
// The scene's input: the arrow keys move the clock and the brightness keys
// (+ and -) dim or brighten the picture, each change stored (gathered and
// written off the loop's thread once the keys rest, see gathered_writes.h;
// all of it by the saver's end); Escape, or any input (a key, a movement, a click) where the
// settings say so, asks the scene to end. Runs on the loop's thread.
#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

#include "scene/gathered_writes.h"
#include "scene/scene_parts.h"
#include "setup/settings.h"

namespace velmo {

// What the input asks of the scene.
struct TLiveKeyHooks {
  std::function<void()> endRequested;          // an attempt to end (the password, where there is one)
  std::function<void(int level)> brightness;   // the level changed (other monitors follow); may be null
  std::function<bool()> layoutMoving;          // the window system may be moving the pointer; may be null
};

class TLiveKeys {
 public:
  // Acts on the clock, the gamma and the store of parts and on settings
  // (the copy the scene draws by) and placed (the clock as stored); ended
  // is true once the scene has ended. All outlive it.
  TLiveKeys(const TSceneParts& parts, TSaverSettings& settings, TClockPlace& placed, const bool& ended,
            TLiveKeyHooks hooks);

  // Every change not yet stored is written now (the saver's end).
  void Flush() { store_.Flush(); }

  void KeyDown(int key);
  void KeyPress(char key);
  void MouseMove(int x, int y);
  void MouseDown();

 private:
  // One value changed by a live key, to be written; never ends the saver.
  void StoreLive(const char* name, int value);
  // The writer's side: one step for all the values gathered.
  void Write(const TGatheredWrites::Batch& values);

  // How long the keys rest before their changes are written: longer than
  // a held key's repeat, short enough that nothing waits on it.
  static constexpr std::chrono::milliseconds kQuiet{250};

  const TSceneParts& parts_;
  TSaverSettings& settings_;
  TClockPlace& placed_;
  const bool& ended_;
  TLiveKeyHooks hooks_;
  int lastMouseX_ = 0;
  int lastMouseY_ = 0;
  bool storeFailureReported_ = false;  // the writer's
  TGatheredWrites store_;  // last: its writer ends before the rest goes
};

}  // namespace velmo
