#pragma once
// The scene's input: the arrow keys move the clock and the brightness keys
// (+ and -) dim or brighten the picture, each change written to the store
// at once; Escape, or any input (a key, a movement, a click) where the
// settings say so, asks the scene to end. Runs on the loop's thread.
#include <cstdint>

namespace velmo {

class TForm1;

class TLiveKeys {
 public:
  // Acts on scene (its settings, clock, gamma and store), which outlives it.
  explicit TLiveKeys(TForm1& scene) : scene_(scene) {}

  void KeyDown(int key);
  void KeyPress(char key);
  void MouseMove(int x, int y);
  void MouseDown();

 private:
  // One value changed by a live key, written at once; never ends the saver.
  void StoreLive(const char* name, int value);

  TForm1& scene_;
  int lastMouseX_ = 0;
  int lastMouseY_ = 0;
  bool storeFailureReported_ = false;
};

}  // namespace velmo
