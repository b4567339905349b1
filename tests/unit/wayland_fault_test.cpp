// The Wayland loop against a small compositor of the test's own (libwayland-
// server on a thread, offering only what the saver needs to start): a
// protocol error, a fault of ours, is named and fails the run; a compositor
// that goes away ends it in order.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "fakes/temp_dir.h"
#include "fake_compositor.h"
#include "platform/wayland/wayland_app.h"
#include "platform/wayland/wayland_connection.h"

namespace velmo {
namespace {

using testing::FakeCompositor;

TEST(WaylandFaults, AProtocolErrorIsNamedAndFailsTheRunAGoneCompositorEndsIt) {
  struct Case {
    FakeCompositor::Fault fault;
    const char* said;
    bool failed;
  };
  const Case cases[] = {
      {FakeCompositor::Fault::kSeatError, "velmo: the Wayland compositor refused a request of ours: protocol error 7 on wl_seat", true},
      {FakeCompositor::Fault::kDisconnect, "velmo: the Wayland compositor closed the connection", false},
  };
  for (const Case& c : cases) {
    testing::TempDir runtime;
    FakeCompositor compositor(runtime.path().string(), 640, 480);
    std::unique_ptr<WaylandConnection> connection = OpenWaylandConnection();
    ASSERT_NE(connection, nullptr);
    std::unique_ptr<IApplication> app = MakeWaylandApplication(*connection);
    std::unique_ptr<IWindow> window = app->CreateWindowOver("Velmo", Rect{0, 0, 640, 480});
    compositor.Cause(c.fault);
    ::testing::internal::CaptureStderr();
    app->Run(*window);  // until the window closes, which the broken connection makes it do
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    EXPECT_EQ(app->RunFailed(), c.failed) << said;
    EXPECT_TRUE(window->IsClosed());
    window.reset();
    app.reset();
    connection.reset();
  }
}

}  // namespace
}  // namespace velmo
