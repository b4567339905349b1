#pragma once
// The scene's input: the arrow keys move the clock and the brightness keys
// (+ and -) dim or brighten the picture, each change written to the store
// at once; Escape, or any input (a key, a movement, a click) where the
// settings say so, asks the scene to end. Runs on the loop's thread.
#include <cstdint>
#include <functional>
#include <utility>

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
            TLiveKeyHooks hooks)
      : parts_(parts), settings_(settings), placed_(placed), ended_(ended), hooks_(std::move(hooks)) {}

  void KeyDown(int key);
  void KeyPress(char key);
  void MouseMove(int x, int y);
  void MouseDown();

 private:
  // One value changed by a live key, written at once; never ends the saver.
  void StoreLive(const char* name, int value);

  const TSceneParts& parts_;
  TSaverSettings& settings_;
  TClockPlace& placed_;
  const bool& ended_;
  TLiveKeyHooks hooks_;
  int lastMouseX_ = 0;
  int lastMouseY_ = 0;
  bool storeFailureReported_ = false;
};

}  // namespace velmo
