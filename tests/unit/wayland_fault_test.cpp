// The Wayland loop against a small compositor of the test's own (libwayland-
// server on a thread, offering only what the saver needs to start): a
// protocol error, a fault of ours, is named and fails the run; a compositor
// that goes away ends it in order.
#include <gtest/gtest.h>
#include <wayland-server.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "fakes/temp_dir.h"
#include "platform/wayland/wayland_app.h"
#include "platform/wayland/wayland_connection.h"

extern "C" const struct wl_interface xdg_wm_base_interface;

namespace velmo {
namespace {

// Takes every request and does nothing with it.
int Ignore(const void*, void*, uint32_t, const wl_message*, wl_argument*) { return 0; }

class FakeCompositor {
 public:
  enum class Fault { kNone, kSeatError, kDisconnect };

  explicit FakeCompositor(const std::string& runtimeDir) {
    setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
    display_ = wl_display_create();
    wl_display_init_shm(display_);
    wl_global_create(display_, &wl_compositor_interface, 4, const_cast<wl_interface*>(&wl_compositor_interface), &Bind);
    wl_global_create(display_, &xdg_wm_base_interface, 1, const_cast<wl_interface*>(&xdg_wm_base_interface), &Bind);
    wl_global_create(display_, &wl_seat_interface, 5, this, &BindSeat);
    const char* socket = wl_display_add_socket_auto(display_);
    setenv("WAYLAND_DISPLAY", socket ? socket : "", 1);
    thread_ = std::thread([this] {
      wl_event_loop* loop = wl_display_get_event_loop(display_);
      while (!stop_) {
        wl_event_loop_dispatch(loop, 10);
        // Faults come from the compositor's own thread, as a real one's would.
        const Fault fault = fault_.exchange(Fault::kNone);
        if (fault == Fault::kSeatError && seat_) wl_resource_post_error(seat_, 7, "a request out of place");
        if (fault == Fault::kDisconnect && seat_) {
          wl_client_destroy(wl_resource_get_client(seat_));
          seat_ = nullptr;
        }
        wl_display_flush_clients(display_);
      }
    });
  }
  ~FakeCompositor() {
    stop_ = true;
    thread_.join();
    wl_display_destroy_clients(display_);
    wl_display_destroy(display_);
  }

  void Cause(Fault fault) { fault_ = fault; }

 private:
  static void Bind(wl_client* client, void* interface, uint32_t version, uint32_t id) {
    wl_resource* resource =
        wl_resource_create(client, static_cast<const wl_interface*>(interface), static_cast<int>(version), id);
    wl_resource_set_dispatcher(resource, &Ignore, nullptr, nullptr, nullptr);
  }
  static void BindSeat(wl_client* client, void* data, uint32_t version, uint32_t id) {
    wl_resource* seat = wl_resource_create(client, &wl_seat_interface, static_cast<int>(version), id);
    wl_resource_set_dispatcher(seat, &Ignore, nullptr, nullptr, nullptr);
    static_cast<FakeCompositor*>(data)->seat_ = seat;
  }

  wl_display* display_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<Fault> fault_{Fault::kNone};
  wl_resource* seat_ = nullptr;  // compositor's thread only, once bound
};

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
  const char* oldRuntime = std::getenv("XDG_RUNTIME_DIR");
  const char* oldDisplay = std::getenv("WAYLAND_DISPLAY");
  const std::string keptRuntime = oldRuntime ? oldRuntime : "", keptDisplay = oldDisplay ? oldDisplay : "";
  for (const Case& c : cases) {
    testing::TempDir runtime;
    FakeCompositor compositor(runtime.path().string());
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
  keptRuntime.empty() ? unsetenv("XDG_RUNTIME_DIR") : setenv("XDG_RUNTIME_DIR", keptRuntime.c_str(), 1);
  keptDisplay.empty() ? unsetenv("WAYLAND_DISPLAY") : setenv("WAYLAND_DISPLAY", keptDisplay.c_str(), 1);
}

}  // namespace
}  // namespace velmo
