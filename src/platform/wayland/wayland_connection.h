#pragma once
// The full-screen saver's one connection to a Wayland compositor: its
// globals, its outputs (followed as they come, go and change), its seat
// (keyboard through libxkbcommon, pointer) and the saver's windows on it.
// The backend's loop, windows and display driver share it; it outlives them.
// Main thread only.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/wayland/output_layout.h"
#include "platform/wayland/wayland_input.h"

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_keyboard;
struct wl_pointer;
struct wl_output;
struct wl_surface;
struct xdg_wm_base;
struct wp_viewporter;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_layer_shell_v1;
struct wp_fractional_scale_manager_v1;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace velmo {

class WaylandWindow;

struct WaylandOutput {
  OutputFacts facts;
  wl_output* output = nullptr;
  zxdg_output_v1* xdgOutput = nullptr;
  int refreshMhz = 0;
  bool done = false;  // the compositor has said all about it
};

class WaylandConnection {
 public:
  // Connects to WAYLAND_DISPLAY and learns the globals and outputs (a few
  // round trips: milliseconds). Null when the compositor does not answer or
  // lacks what full-screen surfaces need (wl_compositor, wl_shm,
  // xdg_wm_base) or a seat to end it by; the caller then keeps SDL.
  static std::unique_ptr<WaylandConnection> Open();
  ~WaylandConnection();
  WaylandConnection(const WaylandConnection&) = delete;
  WaylandConnection& operator=(const WaylandConnection&) = delete;

  wl_display* Display() const { return display_; }
  wl_compositor* Compositor() const { return compositor_; }
  wl_shm* Shm() const { return shm_; }
  xdg_wm_base* WmBase() const { return wmBase_; }
  wp_viewporter* Viewporter() const { return viewporter_; }  // null where not offered
  zwlr_layer_shell_v1* LayerShell() const { return layerShell_; }  // null where not offered
  wp_fractional_scale_manager_v1* FractionalScale() const { return fractionalScale_; }  // null where not offered
  WaylandInput& Input() { return input_; }

  // The outputs as monitors (OutputMonitors); allocates.
  std::vector<MonitorArea> Monitors() const;
  // True once after the outputs changed; cheap.
  bool TakeOutputsChanged();
  // The output that covers area (a monitor of Monitors()), preferring one
  // no other window of ours shows; null when none does now.
  const WaylandOutput* OutputFor(const Rect& area, const WaylandWindow* asking) const;
  const WaylandOutput* OutputById(uint32_t id) const;
  // The fastest refresh among the outputs, in mHz (60000 when unknown).
  int FastestRefreshMhz() const;

  void AddWindow(WaylandWindow* window);
  void RemoveWindow(WaylandWindow* window);
  const std::vector<WaylandWindow*>& Windows() const { return windows_; }

  // Keys typed now reach the saver: the seat has no keyboard (nothing to
  // wait for), or one of our surfaces holds its focus. Cheap.
  bool KeysReachUs() const { return keyboard_ == nullptr || input_.Focused(); }
  // Hides the pointer over our surfaces, or gives it back.
  void SetCursorHidden(bool hidden);

  // Reads and dispatches what the compositor sent, waiting up to timeoutMs
  // (0: not at all, -1: forever) for it or for wake (a descriptor of the
  // caller's, -1 for none); flushes requests first. Returns the number of
  // events dispatched; -1 once the connection is broken.
  int Dispatch(int timeoutMs, int wake);
  // Why the connection broke, for standard error: the protocol error the
  // compositor sent (a fault of ours: its interface and code), or its
  // going away. Sets protocolError when it was one. Cheap.
  std::string WhyBroken(bool& protocolError) const;
  // The time of the next key repeat due, if a key is held.
  bool NextRepeat(std::chrono::steady_clock::time_point& when) const;
  // Sends the repeats that are due.
  void RunRepeats();

  // The listeners' entry points (C callbacks): not for other callers.
  void OnGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
  void OnGlobalRemove(uint32_t name);
  void OnOutputDone(WaylandOutput& output);
  WaylandOutput* OutputOf(wl_output* output);
  void OnSeatCapabilities(uint32_t caps);
  void OnKeymap(int fd, uint32_t size);
  void OnKey(uint32_t key, bool pressed);
  void OnModifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group);
  void OnRepeatInfo(int32_t rate, int32_t delay);
  void OnPointerEnter(uint32_t serial, wl_surface* surface, double x, double y);
  void OnKeyboardEnter(wl_surface* surface);
  void OnKeyboardLeave(wl_surface* surface);
  void OnPointerLeave(wl_surface* surface);

 private:
  WaylandConnection() = default;
  void BindOutput(uint32_t name, uint32_t version);
  void StartXdgOutput(WaylandOutput& output);
  void DropKeyboard();

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  wl_shm* shm_ = nullptr;
  xdg_wm_base* wmBase_ = nullptr;
  wp_viewporter* viewporter_ = nullptr;
  zwlr_layer_shell_v1* layerShell_ = nullptr;
  wp_fractional_scale_manager_v1* fractionalScale_ = nullptr;
  zxdg_output_manager_v1* xdgOutputs_ = nullptr;
  wl_seat* seat_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  uint32_t pointerSerial_ = 0;
  bool cursorHidden_ = false;
  xkb_context* xkb_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* keyState_ = nullptr;
  int repeatRate_ = 25, repeatDelay_ = 600;  // keys a second, milliseconds
  uint32_t heldKey_ = 0;                     // evdev code + 8 of the key that repeats; 0: none
  std::chrono::steady_clock::time_point nextRepeat_{};
  std::vector<std::unique_ptr<WaylandOutput>> outputs_;
  bool outputsChanged_ = false;
  std::vector<WaylandWindow*> windows_;
  WaylandInput input_;
};

}  // namespace velmo
