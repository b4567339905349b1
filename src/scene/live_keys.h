#pragma once
// The scene's input: the arrow keys move the clock and the brightness keys
// (+ and -) dim or brighten the picture, each change written to the store
// at once; Escape, or any input where the settings say so, asks the scene
// to end. Runs on the loop's thread.
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

 private:
  // One value changed by a live key, written at once; never ends the saver.
  void StoreLive(const char* name, int value);
  // The band the clock's centre stays in, as the arrow keys keep it.
  int ClockMin() const;
  int ClockMaxX() const;
  int ClockMaxY() const;

  TForm1& scene_;
  int lastMouseX_ = 0;
  int lastMouseY_ = 0;
  bool storeFailureReported_ = false;
};

}  // namespace velmo
