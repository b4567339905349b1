#pragma once
// A small compositor of the tests' own (libwayland-server on a thread): what
// the saver needs to start (wl_compositor, wl_shm, xdg_wm_base, a seat),
// one output, and the layer shell when asked. Surfaces are configured at
// the output's size on their first commit, full-screen toplevels again on
// each set_fullscreen (after a windowed configure of 0 x 0 on each
// unset_fullscreen, as mutter does, when asked); buffers and frames are taken and never answered,
// and objects the client destroys are kept (so their ids are never reused).
// The test's thread asks for faults and output changes; the compositor's
// thread carries them out, as a real compositor's would.
#include <wayland-server.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

extern "C" const struct wl_interface xdg_wm_base_interface;
extern "C" const struct wl_interface xdg_surface_interface;
extern "C" const struct wl_interface xdg_toplevel_interface;
extern "C" const struct wl_interface zwlr_layer_shell_v1_interface;
extern "C" const struct wl_interface zwlr_layer_surface_v1_interface;

namespace velmo::testing {

class FakeCompositor {
 public:
  enum class Fault { kNone, kSeatError, kDisconnect };
  // What the saver asked of its surfaces' roles, counted.
  struct Asked {
    int setFullscreen = 0, unsetFullscreen = 0, layerSurfaces = 0;
    int ackedW = 0, ackedH = 0;  // the size of the last configure the client acknowledged
    int ackedWindowed = 0;       // configures acknowledged that were not full screen
  };

  // Serves on a socket in runtimeDir, which it names in WAYLAND_DISPLAY and
  // XDG_RUNTIME_DIR (both set back when it ends).
  FakeCompositor(const std::string& runtimeDir, int outputW, int outputH, bool layerShell = false,
                 bool unsetConfigures = false)
      : outputW_(outputW), outputH_(outputH), unsetConfigures_(unsetConfigures) {
    Keep("XDG_RUNTIME_DIR", keptRuntime_);
    Keep("WAYLAND_DISPLAY", keptDisplay_);
    setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
    display_ = wl_display_create();
    wl_display_init_shm(display_);
    wl_global_create(display_, &wl_compositor_interface, 4, this, &BindCompositor);
    wl_global_create(display_, &xdg_wm_base_interface, 1, this, &BindWmBase);
    wl_global_create(display_, &wl_seat_interface, 5, this, &BindSeat);
    wl_global_create(display_, &wl_output_interface, 3, this, &BindOutput);
    if (layerShell) wl_global_create(display_, &zwlr_layer_shell_v1_interface, 3, this, &BindLayerShell);
    const char* socket = wl_display_add_socket_auto(display_);
    setenv("WAYLAND_DISPLAY", socket ? socket : "", 1);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FakeCompositor() {
    stop_ = true;
    thread_.join();
    wl_display_destroy_clients(display_);
    wl_display_destroy(display_);
    Restore("XDG_RUNTIME_DIR", keptRuntime_);
    Restore("WAYLAND_DISPLAY", keptDisplay_);
  }
  FakeCompositor(const FakeCompositor&) = delete;
  FakeCompositor& operator=(const FakeCompositor&) = delete;

  void Cause(Fault fault) { fault_ = fault; }
  // The output takes a mode of w x h. A compositor that configures itself
  // gives the surfaces on it that size first; a silent one (KWin 5.27 with
  // a full-screen toplevel) gives them nothing.
  void ResizeOutput(int w, int h, bool configureItself) {
    std::lock_guard<std::mutex> lock(lock_);
    resizeW_ = w;
    resizeH_ = h;
    resizeConfigures_ = configureItself;
  }
  Asked TakeAsked() {
    std::lock_guard<std::mutex> lock(lock_);
    return asked_;
  }

 private:
  enum Op : uint32_t {
    kCreateSurface = 0,
    kSurfaceCommit = 6,
    kSurfaceFrame = 3,
    kGetXdgSurface = 2,
    kGetToplevel = 1,
    kXdgAck = 4,
    kSetFullscreen = 11,
    kUnsetFullscreen = 12,
    kGetLayerSurface = 0,
    kLayerAck = 6,
  };
  // One surface and its role; the compositor's thread only.
  struct Surface {
    FakeCompositor* compositor = nullptr;
    wl_resource* surface = nullptr;
    wl_resource* xdgSurface = nullptr;
    wl_resource* toplevel = nullptr;
    wl_resource* layer = nullptr;
    bool configured = false;
    int sentW = 0, sentH = 0;   // the size of the last configure sent
    uint32_t windowedSerial = 0;  // the serial of the last windowed one
  };

  static void Keep(const char* name, std::string& kept) {
    const char* value = std::getenv(name);
    kept = value ? value : "";
  }
  static void Restore(const char* name, const std::string& kept) {
    kept.empty() ? unsetenv(name) : setenv(name, kept.c_str(), 1);
  }
  static FakeCompositor& Of(wl_resource* r) { return *static_cast<FakeCompositor*>(wl_resource_get_user_data(r)); }

  void Serve() {
    wl_event_loop* loop = wl_display_get_event_loop(display_);
    while (!stop_) {
      wl_event_loop_dispatch(loop, 10);
      const Fault fault = fault_.exchange(Fault::kNone);
      if (fault == Fault::kSeatError && seat_) wl_resource_post_error(seat_, 7, "a request out of place");
      if (fault == Fault::kDisconnect && seat_) {
        std::lock_guard<std::mutex> lock(lock_);
        wl_client_destroy(wl_resource_get_client(seat_));
        seat_ = nullptr;
        output_ = nullptr;
        surface_ = Surface{};
      }
      Resize();
      wl_display_flush_clients(display_);
    }
  }

  void Resize() {
    std::lock_guard<std::mutex> lock(lock_);
    if (resizeW_ == 0) return;
    outputW_ = resizeW_;
    outputH_ = resizeH_;
    resizeW_ = resizeH_ = 0;
    if (resizeConfigures_ && surface_.configured) Configure(surface_);
    if (output_) {
      wl_resource_post_event(output_, 1, WL_OUTPUT_MODE_CURRENT, outputW_, outputH_, 60000);
      wl_resource_post_event(output_, 2);
    }
  }

  // Sends the surface's role a configure at the output's size, or a
  // windowed one of no size.
  void Configure(Surface& s, bool fullscreen = true) {
    s.configured = true;
    s.sentW = fullscreen ? outputW_ : 0;
    s.sentH = fullscreen ? outputH_ : 0;
    if (s.layer) {
      wl_resource_post_event(s.layer, 0, ++serial_, static_cast<uint32_t>(outputW_), static_cast<uint32_t>(outputH_));
      return;
    }
    wl_array states;
    wl_array_init(&states);
    if (fullscreen) *static_cast<uint32_t*>(wl_array_add(&states, sizeof(uint32_t))) = 2;  // fullscreen
    wl_resource_post_event(s.toplevel, 0, s.sentW, s.sentH, &states);
    wl_array_release(&states);
    wl_resource_post_event(s.xdgSurface, 0, ++serial_);
    if (!fullscreen) s.windowedSerial = serial_;
  }

  void Acked(uint32_t serial) {
    asked_.ackedW = surface_.sentW;
    asked_.ackedH = surface_.sentH;
    if (serial == surface_.windowedSerial) ++asked_.ackedWindowed;
  }

  static wl_resource* Make(wl_client* client, const wl_interface* interface, int version, uint32_t id, void* data,
                           wl_dispatcher_func_t dispatch) {
    wl_resource* r = wl_resource_create(client, interface, version, id);
    wl_resource_set_dispatcher(r, dispatch, nullptr, data, nullptr);
    return r;
  }
  static int Ignore(const void*, void*, uint32_t, const wl_message*, wl_argument*) { return 0; }

  // Requests, each on the compositor's thread. Only one surface is followed:
  // the latest made.
  static int CompositorRequest(const void*, void* target, uint32_t op, const wl_message*, wl_argument* args) {
    auto* r = static_cast<wl_resource*>(target);
    FakeCompositor& c = Of(r);
    if (op == kCreateSurface) {
      std::lock_guard<std::mutex> lock(c.lock_);
      c.surface_ = Surface{&c};
      c.surface_.surface = Make(wl_resource_get_client(r), &wl_surface_interface, wl_resource_get_version(r), args[0].n,
                                &c, &SurfaceRequest);
    } else {
      Make(wl_resource_get_client(r), &wl_region_interface, 1, args[0].n, &c, &Ignore);
    }
    return 0;
  }
  static int SurfaceRequest(const void*, void* target, uint32_t op, const wl_message*, wl_argument* args) {
    auto* r = static_cast<wl_resource*>(target);
    FakeCompositor& c = Of(r);
    std::lock_guard<std::mutex> lock(c.lock_);
    if (op == kSurfaceFrame) Make(wl_resource_get_client(r), &wl_callback_interface, 1, args[0].n, &c, &Ignore);
    if (op == kSurfaceCommit && r == c.surface_.surface && !c.surface_.configured &&
        (c.surface_.toplevel || c.surface_.layer))
      c.Configure(c.surface_);
    return 0;
  }
  static int WmBaseRequest(const void*, void* target, uint32_t op, const wl_message*, wl_argument* args) {
    auto* r = static_cast<wl_resource*>(target);
    FakeCompositor& c = Of(r);
    std::lock_guard<std::mutex> lock(c.lock_);
    if (op == kGetXdgSurface)
      c.surface_.xdgSurface = Make(wl_resource_get_client(r), &xdg_surface_interface, 1, args[0].n, &c, &XdgSurfaceRequest);
    return 0;
  }
  static int XdgSurfaceRequest(const void*, void* target, uint32_t op, const wl_message*, wl_argument* args) {
    auto* r = static_cast<wl_resource*>(target);
    FakeCompositor& c = Of(r);
    std::lock_guard<std::mutex> lock(c.lock_);
    if (op == kGetToplevel)
      c.surface_.toplevel = Make(wl_resource_get_client(r), &xdg_toplevel_interface, 1, args[0].n, &c, &ToplevelRequest);
    if (op == kXdgAck) c.Acked(args[0].u);
    return 0;
  }
  static int ToplevelRequest(const void*, void* target, uint32_t op, const wl_message*, wl_argument*) {
    FakeCompositor& c = Of(static_cast<wl_resource*>(target));
    std::lock_guard<std::mutex> lock(c.lock_);
    if (op == kUnsetFullscreen) {
      ++c.asked_.unsetFullscreen;
      if (c.unsetConfigures_ && c.surface_.configured) c.Configure(c.surface_, false);
    }
    if (op == kSetFullscreen) {
      ++c.asked_.setFullscreen;
      // Placed anew on the output as it is now.
      if (c.surface_.configured) c.Configure(c.surface_);
    }
    return 0;
  }
  static int LayerShellRequest(const void*, void* target, uint32_t op, const wl_message*, wl_argument* args) {
    auto* r = static_cast<wl_resource*>(target);
    FakeCompositor& c = Of(r);
    std::lock_guard<std::mutex> lock(c.lock_);
    if (op != kGetLayerSurface) return 0;
    ++c.asked_.layerSurfaces;
    c.surface_.layer = Make(wl_resource_get_client(r), &zwlr_layer_surface_v1_interface, wl_resource_get_version(r),
                            args[0].n, &c, &LayerRequest);
    return 0;
  }
  static int LayerRequest(const void*, void* target, uint32_t op, const wl_message*, wl_argument* args) {
    FakeCompositor& c = Of(static_cast<wl_resource*>(target));
    std::lock_guard<std::mutex> lock(c.lock_);
    if (op == kLayerAck && static_cast<wl_resource*>(target) == c.surface_.layer) c.Acked(args[0].u);
    return 0;
  }

  static void BindCompositor(wl_client* client, void* data, uint32_t version, uint32_t id) {
    Make(client, &wl_compositor_interface, static_cast<int>(version), id, data, &CompositorRequest);
  }
  static void BindWmBase(wl_client* client, void* data, uint32_t version, uint32_t id) {
    Make(client, &xdg_wm_base_interface, static_cast<int>(version), id, data, &WmBaseRequest);
  }
  static void BindLayerShell(wl_client* client, void* data, uint32_t version, uint32_t id) {
    Make(client, &zwlr_layer_shell_v1_interface, static_cast<int>(version), id, data, &LayerShellRequest);
  }
  static void BindSeat(wl_client* client, void* data, uint32_t version, uint32_t id) {
    static_cast<FakeCompositor*>(data)->seat_ =
        Make(client, &wl_seat_interface, static_cast<int>(version), id, data, &Ignore);
  }
  static void BindOutput(wl_client* client, void* data, uint32_t version, uint32_t id) {
    auto& c = *static_cast<FakeCompositor*>(data);
    std::lock_guard<std::mutex> lock(c.lock_);
    c.output_ = Make(client, &wl_output_interface, static_cast<int>(version), id, data, &Ignore);
    wl_resource_post_event(c.output_, 0, 0, 0, 300, 200, 0, "fake", "fake", 0);
    wl_resource_post_event(c.output_, 1, WL_OUTPUT_MODE_CURRENT, c.outputW_, c.outputH_, 60000);
    wl_resource_post_event(c.output_, 3, 1);
    wl_resource_post_event(c.output_, 2);
  }

  wl_display* display_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<Fault> fault_{Fault::kNone};
  std::string keptRuntime_, keptDisplay_;
  // The compositor's thread only, once bound.
  wl_resource* seat_ = nullptr;
  // Under lock_: shared with the test's thread or written by it.
  std::mutex lock_;
  wl_resource* output_ = nullptr;
  Surface surface_;
  int outputW_, outputH_;
  int resizeW_ = 0, resizeH_ = 0;
  bool resizeConfigures_ = false;
  const bool unsetConfigures_;
  uint32_t serial_ = 0;
  Asked asked_;
};

}  // namespace velmo::testing
