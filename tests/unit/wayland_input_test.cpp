// The Wayland backend's input rules and output layout, without a compositor:
// where a key, a movement or a click goes, whether the saver's own windows
// count as one for the focus, and which output is the primary at what size.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/wayland/output_layout.h"
#include "platform/wayland/wayland_input.h"

namespace velmo {
namespace {

// A window that records what reached it, in the scene's terms.
class FakeTarget : public IInputTarget {
 public:
  FakeTarget(int x, int y, double scale) : x_(x), y_(y), scale_(scale) {
    events_.onKeyDown = [this](int key, uint32_t) { log.push_back("down " + std::to_string(key)); };
    events_.onKeyPress = [this](char c) { log.push_back("char " + std::to_string(int(c))); };
    events_.onMouseMove = [this](uint32_t, int mx, int my) {
      log.push_back("move " + std::to_string(mx) + "," + std::to_string(my));
    };
    events_.onMouseDown = [this] { log.push_back("click"); };
  }
  const WindowEvents& InputEvents() const override { return events_; }
  bool InputClosed() const override { return closed; }
  void InputPlace(int& x, int& y, double& scaleX, double& scaleY) const override {
    x = x_;
    y = y_;
    scaleX = scaleY = scale_;
  }
  std::vector<std::string> log;
  bool closed = false;

 private:
  WindowEvents events_;
  int x_, y_;
  double scale_;
};

TEST(WaylandInput, PointerReachesTheWindowUnderItInItsPixelsAndClicksCount) {
  WaylandInput input;
  FakeTarget left(0, 0, 1), right(1920, 0, 2), third(3200, 0, 1.5);
  input.PointerEnter(&left, 100, 50);
  input.PointerMotion(103, 50);
  input.PointerButton();
  input.PointerLeave(&left);
  // On a scale-2 output one surface unit is two of the scene's pixels.
  input.PointerEnter(&right, 10.5, 20);
  input.PointerButton();
  EXPECT_EQ(left.log, (std::vector<std::string>{"move 100,50", "move 103,50", "click"}));
  EXPECT_EQ(right.log, (std::vector<std::string>{"move 1941,40", "click"}));
  // At a fractional scale, a unit is one and a half pixels.
  input.PointerEnter(&third, 11, 20);
  EXPECT_EQ(third.log, (std::vector<std::string>{"move 3217,30"}));
  input.PointerLeave(&third);
  // After leaving, nothing goes anywhere; a window that went away gets nothing.
  input.PointerLeave(&right);
  input.PointerMotion(1, 1);
  input.PointerButton();
  input.PointerEnter(&left, 5, 5);
  input.Forget(&left);
  input.PointerMotion(50, 50);
  input.PointerButton();
  EXPECT_EQ(right.log.size(), 2u);
  EXPECT_EQ(left.log.size(), 4u);
}

TEST(WaylandInput, KeysGoToTheFocusedWindowWithTheirCharacters) {
  WaylandInput input;
  FakeTarget a(0, 0, 1), b(1920, 0, 1);
  input.Key(0x20, 0, " ");  // no focus yet: nowhere
  input.KeyboardEnter(&b);
  input.Key(0x1B, 0, "\x1b");
  input.Key(0xBB, 1, "+");
  input.Key(0x141, 0, "\xc3\xa9");  // a non-ASCII character is no character here
  EXPECT_TRUE(a.log.empty());
  EXPECT_EQ(b.log, (std::vector<std::string>{"down 27", "char 27", "down 187", "char 43", "down 321"}));
  b.closed = true;
  input.Key(0x20, 0, " ");
  EXPECT_EQ(b.log.size(), 5u);
}

TEST(WaylandInput, FocusMovingBetweenTheSaversWindowsIsNoLoss) {
  WaylandInput input;
  FakeTarget a(0, 0, 1), b(1920, 0, 1);
  EXPECT_TRUE(input.FocusIsOurs());  // not had yet: nothing to lose
  input.KeyboardEnter(&a);
  input.KeyboardLeave(&a);
  EXPECT_FALSE(input.FocusIsOurs());  // between a leave and the next enter
  input.KeyboardEnter(&b);
  EXPECT_TRUE(input.FocusIsOurs());
  // A window of ours going away hands the keyboard on: not a loss ...
  input.Forget(&b);
  EXPECT_TRUE(input.FocusIsOurs());
  // ... until one of ours has it again and it is taken by another program.
  input.KeyboardEnter(&a);
  input.KeyboardLeave(&a);
  EXPECT_FALSE(input.FocusIsOurs());
  // The seat losing its keyboard (a virtual keyboard gone) is no loss.
  input.KeyboardGone();
  EXPECT_TRUE(input.FocusIsOurs());
}

TEST(OutputLayout, EveryOutputAtItsPixelSizeThePrimaryAtTheOrigin) {
  std::vector<OutputFacts> outputs(3);
  // Announced right to left; the second is at scale 2, its pixel box
  // overlapping the first's and not dropped for it.
  outputs[0] = OutputFacts{7, 3200, 0, 1280, 720, 1280, 720, 0, 1};
  outputs[1] = OutputFacts{5, 1920, 0, 1280, 1024, 2560, 2048, 0, 2};
  outputs[2] = OutputFacts{4, 0, 0, 1920, 1080, 1920, 1080, 0, 1};
  std::vector<uint32_t> ids;
  const std::vector<MonitorArea> monitors = OutputMonitors(outputs, &ids);
  ASSERT_EQ(monitors.size(), 3u);
  EXPECT_EQ(ids, (std::vector<uint32_t>{4, 5, 7}));
  EXPECT_EQ(monitors[0], (MonitorArea{Rect{0, 0, 1920, 1080}, true}));
  EXPECT_EQ(monitors[1], (MonitorArea{Rect{1920, 0, 4480, 2048}, false}));
  EXPECT_EQ(monitors[2], (MonitorArea{Rect{3200, 0, 4480, 720}, false}));
  // Without the origin the top-left one leads; without a logical size the
  // mode counts, turned by a quarter-turn transform; a sizeless one is left out.
  outputs = {OutputFacts{1, 500, 300, 0, 0, 1920, 1080, 1, 1}, OutputFacts{2, 100, 300, 800, 600, 800, 600, 0, 1},
             OutputFacts{3, 0, 0, 0, 0, 0, 0, 0, 1}};
  const std::vector<MonitorArea> moved = OutputMonitors(outputs, &ids);
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(ids, (std::vector<uint32_t>{2, 1}));
  EXPECT_EQ(moved[1].area, (Rect{500, 300, 1580, 2220}));
  EXPECT_TRUE(moved[0].primary);
  // Where the compositor scales by fractions, the output's real pixels (its
  // mode) count, not its logical size at the next whole scale.
  outputs = {OutputFacts{1, 0, 0, 1280, 720, 1920, 1080, 0, 2, true}};
  EXPECT_EQ(OutputMonitors(outputs)[0].area, (Rect{0, 0, 1920, 1080}));
  // A surface covering an output is given its logical size, else its mode
  // turned over its whole scale: what a resized output's surface must reach.
  int w = 0, h = 0;
  OutputUnits(outputs[0], w, h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(1280, 720));
  OutputUnits(OutputFacts{1, 0, 0, 0, 0, 2560, 1440, 1, 2}, w, h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(720, 1280));
  // mutter lays outputs out in pixels: its logical size is the mode at scale
  // 2, where a full-screen surface gets half of it and the frame the mode.
  const OutputFacts inPixels{1, 0, 0, 1920, 1080, 1920, 1080, 0, 2};
  OutputUnits(inPixels, w, h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(960, 540));
  EXPECT_EQ(OutputMonitors({inPixels})[0].area, (Rect{0, 0, 1920, 1080}));
}

TEST(OutputLayout, FramesGoOnTheSurfaceAtItsPixelsWholeOrFractional) {
  struct Case {
    const char* what;
    int frameW, frameH, surfaceW, surfaceH, scale, fraction120;
    bool viewporter;
    int bufferScale, viewportW, viewportH;
    double perUnitX, perUnitY;
  };
  const Case cases[] = {
      {"the output's size", 1920, 1080, 1920, 1080, 1, 0, true, 1, -1, -1, 1, 1},
      {"whole scale 2", 2560, 2048, 1280, 1024, 2, 0, true, 2, -1, -1, 2, 2},
      {"no size given yet", 2560, 2048, 0, 0, 2, 0, true, 2, -1, -1, 2, 2},
      {"a smaller mode stretched", 800, 600, 1920, 1080, 1, 0, true, 1, 1920, 1080, 800.0 / 1920, 600.0 / 1080},
      {"a smaller mode, no viewporter", 800, 600, 1920, 1080, 1, 0, false, 1, -1, -1, 1, 1},
      {"fraction 1.5: real pixels", 1920, 1080, 1280, 720, 2, 180, true, 1, 1280, 720, 1.5, 1.5},
      {"fraction without viewporter", 2560, 1440, 1280, 720, 2, 180, false, 2, -1, -1, 2, 2},
  };
  for (const Case& c : cases) {
    const SurfaceScaling s =
        ScalingFor(c.frameW, c.frameH, c.surfaceW, c.surfaceH, c.scale, c.fraction120, c.viewporter);
    EXPECT_EQ(s.bufferScale, c.bufferScale) << c.what;
    EXPECT_EQ(s.viewportW, c.viewportW) << c.what;
    EXPECT_EQ(s.viewportH, c.viewportH) << c.what;
    EXPECT_DOUBLE_EQ(s.pixelsPerUnitX, c.perUnitX) << c.what;
    EXPECT_DOUBLE_EQ(s.pixelsPerUnitY, c.perUnitY) << c.what;
  }
  // The buffer of a surface at a fractional scale, rounded half away from zero.
  EXPECT_EQ(FractionalPixels(1280, 180), 1920);
  EXPECT_EQ(FractionalPixels(1366, 150), 1708);  // 1707.5
  EXPECT_EQ(FractionalPixels(853, 150), 1066);   // 1066.25
}

}  // namespace
}  // namespace velmo
