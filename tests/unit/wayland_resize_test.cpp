// An output resized under a shown saver, against a compositor of the test's
// own: whether or not the compositor gives the surface the output's new
// size by itself, the surface ends at that size, on the layer shell and on
// a full-screen toplevel, never taking a windowed state on the way; and it
// asks nothing again of a compositor that did.
#include <gtest/gtest.h>
#include <wayland-client.h>

#include <chrono>
#include <memory>

#include "fake_compositor.h"
#include "fakes/temp_dir.h"
#include "platform/wayland/wayland_app.h"
#include "platform/wayland/wayland_connection.h"

namespace velmo {
namespace {

using testing::FakeCompositor;

// Dispatches until the compositor saw the client acknowledge a configure of
// w x h; false after a few seconds without it.
bool AckedSize(WaylandConnection& connection, FakeCompositor& compositor, int w, int h) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    const FakeCompositor::Asked asked = compositor.TakeAsked();
    if (asked.ackedW == w && asked.ackedH == h) return true;
    if (connection.Dispatch(10, -1) < 0) return false;
  }
  return false;
}

TEST(WaylandResize, AResizedOutputIsCoveredAtItsNewSizeWhetherOrNotTheCompositorResizesTheSurface) {
  struct Case {
    const char* name;
    bool layerShell;
    bool compositorConfigures;
    bool unsetConfigures;  // leaving full screen is answered with a windowed configure first
    FakeCompositor::Asked expected;  // the sizes aside
  };
  const Case cases[] = {
      // A toplevel the compositor leaves at the old size (KWin 5.27) leaves
      // full screen and comes back in one go, and only the full-screen
      // configure is taken (mutter says windowed in between).
      {"toplevel, silent compositor", false, false, false, {2, 1, 0}},
      {"toplevel, silent compositor, windowed in between", false, false, true, {2, 1, 0}},
      {"toplevel, compositor configures", false, true, false, {1, 0, 0}},
      // A layer surface is made anew on the same output.
      {"layer surface, silent compositor", true, false, false, {0, 0, 2}},
      {"layer surface, compositor configures", true, true, false, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir runtime;
    FakeCompositor compositor(runtime.path().string(), 640, 480, c.layerShell, c.unsetConfigures);
    std::unique_ptr<WaylandConnection> connection = OpenWaylandConnection();
    ASSERT_NE(connection, nullptr);
    std::unique_ptr<IApplication> app = MakeWaylandApplication(*connection);
    std::unique_ptr<IWindow> window = app->CreateWindowOver("Velmo", Rect{0, 0, 640, 480});
    window->Show();
    ASSERT_TRUE(AckedSize(*connection, compositor, 640, 480));

    compositor.ResizeOutput(800, 600, c.compositorConfigures);
    EXPECT_TRUE(AckedSize(*connection, compositor, 800, 600));
    // Whatever the window would still ask after its round trip is asked.
    for (int i = 0; i < 2; ++i) wl_display_roundtrip(connection->Display());
    const FakeCompositor::Asked asked = compositor.TakeAsked();
    EXPECT_EQ(asked.setFullscreen, c.expected.setFullscreen);
    EXPECT_EQ(asked.unsetFullscreen, c.expected.unsetFullscreen);
    EXPECT_EQ(asked.layerSurfaces, c.expected.layerSurfaces);
    EXPECT_EQ(asked.ackedW, 800);
    EXPECT_EQ(asked.ackedWindowed, 0);
    window.reset();
    app.reset();
    connection.reset();
  }
}

}  // namespace
}  // namespace velmo
