#include "platform/wayland/wayland_connection.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "fractional-scale-v1-client.h"
#include "viewporter-client.h"
#include "platform/wayland/layer_shell_protocol.h"
#include "xdg-output-unstable-v1-client.h"
#include "xdg-shell-client.h"
#include "platform/wayland/wayland_window.h"
#include "platform/wayland/xkb_keys.h"

namespace velmo {
namespace {

using Clock = std::chrono::steady_clock;

// Release requests came with later versions of these interfaces.
void Drop(wl_output* o) { wl_output_get_version(o) >= 3 ? wl_output_release(o) : wl_output_destroy(o); }
void Drop(wl_pointer* p) { wl_pointer_get_version(p) >= 3 ? wl_pointer_release(p) : wl_pointer_destroy(p); }
void Drop(wl_keyboard* k) { wl_keyboard_get_version(k) >= 3 ? wl_keyboard_release(k) : wl_keyboard_destroy(k); }
void Drop(wl_seat* s) { wl_seat_get_version(s) >= 5 ? wl_seat_release(s) : wl_seat_destroy(s); }

WaylandConnection& Of(void* data) { return *static_cast<WaylandConnection*>(data); }

// The saver's windows carry themselves as their surfaces' user data; the
// compositor names no other surface to us.
IInputTarget* TargetOf(wl_surface* surface) {
  return surface ? static_cast<IInputTarget*>(wl_surface_get_user_data(surface)) : nullptr;
}

const wl_registry_listener kRegistry = {
    [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
      Of(data).OnGlobal(registry, name, interface, version);
    },
    [](void* data, wl_registry*, uint32_t name) { Of(data).OnGlobalRemove(name); },
};

const xdg_wm_base_listener kWmBase = {
    [](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

struct OutputListenerData {
  WaylandConnection* connection;
  WaylandOutput* output;
};

const wl_output_listener kOutput = {
    // geometry: its place (wlroots says 0, 0: the layout's place comes from xdg-output) and transform
    [](void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*,
       int32_t transform) {
      auto* d = static_cast<OutputListenerData*>(data);
      if (!d->output->xdgOutput) {
        d->output->facts.x = x;
        d->output->facts.y = y;
      }
      d->output->facts.transform = transform;
    },
    [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t refresh) {
      auto* d = static_cast<OutputListenerData*>(data);
      if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
      d->output->facts.modeW = width;
      d->output->facts.modeH = height;
      d->output->refreshMhz = refresh;
    },
    [](void* data, wl_output*) {
      auto* d = static_cast<OutputListenerData*>(data);
      d->connection->OnOutputDone(*d->output);
    },
    [](void* data, wl_output*, int32_t factor) {
      static_cast<OutputListenerData*>(data)->output->facts.scale = std::max(factor, 1);
    },
    // Bound at version 3 at most: name and description never come.
    nullptr,
    nullptr,
};

const zxdg_output_v1_listener kXdgOutput = {
    [](void* data, zxdg_output_v1*, int32_t x, int32_t y) {
      auto* d = static_cast<OutputListenerData*>(data);
      d->output->facts.x = x;
      d->output->facts.y = y;
    },
    [](void* data, zxdg_output_v1*, int32_t width, int32_t height) {
      auto* d = static_cast<OutputListenerData*>(data);
      d->output->facts.logicalW = width;
      d->output->facts.logicalH = height;
    },
    // done: from version 3 on the output's own done covers it
    [](void* data, zxdg_output_v1* xdgOutput) {
      auto* d = static_cast<OutputListenerData*>(data);
      if (zxdg_output_v1_get_version(xdgOutput) < 3) d->connection->OnOutputDone(*d->output);
    },
    [](void*, zxdg_output_v1*, const char*) {},
    [](void*, zxdg_output_v1*, const char*) {},
};

const wl_seat_listener kSeat = {
    [](void* data, wl_seat*, uint32_t caps) { Of(data).OnSeatCapabilities(caps); },
    [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener kKeyboard = {
    [](void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
      if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) Of(data).OnKeymap(fd, size);
      close(fd);
    },
    [](void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) { Of(data).OnKeyboardEnter(surface); },
    [](void* data, wl_keyboard*, uint32_t, wl_surface* surface) { Of(data).OnKeyboardLeave(surface); },
    [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
      Of(data).OnKey(key, state == WL_KEYBOARD_KEY_STATE_PRESSED);
    },
    [](void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
      Of(data).OnModifiers(depressed, latched, locked, group);
    },
    [](void* data, wl_keyboard*, int32_t rate, int32_t delay) { Of(data).OnRepeatInfo(rate, delay); },
};

const wl_pointer_listener kPointer = {
    [](void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
      Of(data).OnPointerEnter(serial, surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
    },
    [](void* data, wl_pointer*, uint32_t, wl_surface* surface) { Of(data).OnPointerLeave(surface); },
    [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
      Of(data).Input().PointerMotion(wl_fixed_to_double(x), wl_fixed_to_double(y));
    },
    [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
      if (state == WL_POINTER_BUTTON_STATE_PRESSED) Of(data).Input().PointerButton();
    },
    [](void* data, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) { Of(data).Input().PointerButton(); },
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {},
};

}  // namespace

std::unique_ptr<WaylandConnection> WaylandConnection::Open() {
  std::unique_ptr<WaylandConnection> c(new WaylandConnection());
  c->display_ = wl_display_connect(nullptr);
  if (!c->display_) return nullptr;
  c->registry_ = wl_display_get_registry(c->display_);
  wl_registry_add_listener(c->registry_, &kRegistry, c.get());
  // Globals, then what the outputs and the seat say of themselves.
  for (int i = 0; i < 3; ++i)
    if (wl_display_roundtrip(c->display_) < 0) return nullptr;
  if (!c->compositor_ || !c->shm_ || !c->wmBase_ || !c->seat_) return nullptr;
  c->outputsChanged_ = false;
  return c;
}

WaylandConnection::~WaylandConnection() {
  DropKeyboard();
  if (pointer_) Drop(pointer_);
  for (auto& o : outputs_) {
    if (o->xdgOutput) zxdg_output_v1_destroy(o->xdgOutput);
    delete static_cast<OutputListenerData*>(wl_output_get_user_data(o->output));
    Drop(o->output);
  }
  outputs_.clear();
  if (seat_) Drop(seat_);
  if (xdgOutputs_) zxdg_output_manager_v1_destroy(xdgOutputs_);
  if (viewporter_) wp_viewporter_destroy(viewporter_);
  if (layerShell_) {
    // Its destroy request came with version 3.
    if (zwlr_layer_shell_v1_get_version(layerShell_) >= 3) zwlr_layer_shell_v1_destroy(layerShell_);
    else wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layerShell_));
  }
  if (fractionalScale_) wp_fractional_scale_manager_v1_destroy(fractionalScale_);
  if (wmBase_) xdg_wm_base_destroy(wmBase_);
  if (shm_) wl_shm_destroy(shm_);
  if (compositor_) wl_compositor_destroy(compositor_);
  if (registry_) wl_registry_destroy(registry_);
  if (display_) {
    wl_display_flush(display_);
    wl_display_disconnect(display_);
  }
  if (xkb_) xkb_context_unref(xkb_);
}

void WaylandConnection::OnGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  const auto is = [interface](const wl_interface& i) { return std::strcmp(interface, i.name) == 0; };
  if (is(wl_compositor_interface)) {
    compositor_ = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
  } else if (is(wl_shm_interface)) {
    shm_ = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (is(xdg_wm_base_interface)) {
    wmBase_ = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    xdg_wm_base_add_listener(wmBase_, &kWmBase, this);
  } else if (is(wp_viewporter_interface)) {
    viewporter_ = static_cast<wp_viewporter*>(wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
  } else if (is(zwlr_layer_shell_v1_interface) && !std::getenv("VELMO_WAYLAND_NO_LAYER_SHELL")) {
    layerShell_ = static_cast<zwlr_layer_shell_v1*>(
        wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, std::min(version, 3u)));
  } else if (is(wp_fractional_scale_manager_v1_interface)) {
    fractionalScale_ = static_cast<wp_fractional_scale_manager_v1*>(
        wl_registry_bind(registry, name, &wp_fractional_scale_manager_v1_interface, 1));
    for (auto& o : outputs_) o->facts.fractional = true;
  } else if (is(zxdg_output_manager_v1_interface)) {
    xdgOutputs_ = static_cast<zxdg_output_manager_v1*>(
        wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, std::min(version, 3u)));
    for (auto& o : outputs_) StartXdgOutput(*o);
  } else if (is(wl_seat_interface) && !seat_) {
    seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
    wl_seat_add_listener(seat_, &kSeat, this);
  } else if (is(wl_output_interface)) {
    BindOutput(name, version);
  }
}

void WaylandConnection::BindOutput(uint32_t name, uint32_t version) {
  auto output = std::make_unique<WaylandOutput>();
  output->facts.id = name;
  output->facts.fractional = fractionalScale_ != nullptr;
  output->output = static_cast<wl_output*>(wl_registry_bind(registry_, name, &wl_output_interface, std::min(version, 3u)));
  // The listener's data lives as long as the output: kept beside it.
  auto* data = new OutputListenerData{this, output.get()};
  wl_output_set_user_data(output->output, data);
  wl_output_add_listener(output->output, &kOutput, data);
  StartXdgOutput(*output);
  outputs_.push_back(std::move(output));
}

void WaylandConnection::StartXdgOutput(WaylandOutput& output) {
  if (!xdgOutputs_ || output.xdgOutput) return;
  output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output.output);
  zxdg_output_v1_add_listener(output.xdgOutput, &kXdgOutput, wl_output_get_user_data(output.output));
}

void WaylandConnection::OnGlobalRemove(uint32_t name) {
  auto it = std::find_if(outputs_.begin(), outputs_.end(), [name](const auto& o) { return o->facts.id == name; });
  if (it == outputs_.end()) return;
  WaylandOutput& o = **it;
  delete static_cast<OutputListenerData*>(wl_output_get_user_data(o.output));
  if (o.xdgOutput) zxdg_output_v1_destroy(o.xdgOutput);
  Drop(o.output);
  outputs_.erase(it);
  outputsChanged_ = true;
}

void WaylandConnection::OnOutputDone(WaylandOutput& output) {
  const bool changed = output.done;  // said again: something of it changed
  output.done = true;
  outputsChanged_ = true;
  // The compositor may have resized or moved any of the saver's surfaces
  // with it, or not: each makes sure.
  if (changed)
    for (WaylandWindow* window : windows_) window->OnLayoutChanged();
}

WaylandOutput* WaylandConnection::OutputOf(wl_output* output) {
  for (auto& o : outputs_)
    if (o->output == output) return o.get();
  return nullptr;
}

std::vector<MonitorArea> WaylandConnection::Monitors() const {
  std::vector<OutputFacts> facts;
  for (const auto& o : outputs_)
    if (o->done) facts.push_back(o->facts);
  return OutputMonitors(facts);
}

bool WaylandConnection::TakeOutputsChanged() {
  const bool changed = outputsChanged_;
  outputsChanged_ = false;
  return changed;
}

const WaylandOutput* WaylandConnection::OutputFor(const Rect& area, const WaylandWindow* asking) const {
  std::vector<OutputFacts> facts;
  for (const auto& o : outputs_)
    if (o->done) facts.push_back(o->facts);
  std::vector<uint32_t> ids;
  const std::vector<MonitorArea> monitors = OutputMonitors(facts, &ids);
  const WaylandOutput* shared = nullptr;
  for (size_t i = 0; i < monitors.size(); ++i) {
    if (monitors[i].area != area) continue;
    const WaylandOutput* o = OutputById(ids[i]);
    const bool taken = std::any_of(windows_.begin(), windows_.end(), [&](const WaylandWindow* w) {
      return w != asking && !w->IsClosed() && w->OutputId() == ids[i];
    });
    if (!taken) return o;
    if (!shared) shared = o;
  }
  return shared;
}

const WaylandOutput* WaylandConnection::OutputById(uint32_t id) const {
  for (const auto& o : outputs_)
    if (o->facts.id == id) return o.get();
  return nullptr;
}

int WaylandConnection::FastestRefreshMhz() const {
  int fastest = 0;
  for (const auto& o : outputs_) fastest = std::max(fastest, o->refreshMhz);
  return fastest > 0 ? fastest : 60000;
}

void WaylandConnection::AddWindow(WaylandWindow* window) { windows_.push_back(window); }

void WaylandConnection::RemoveWindow(WaylandWindow* window) {
  std::erase(windows_, window);
  input_.Forget(window);
}

void WaylandConnection::SetCursorHidden(bool hidden) {
  cursorHidden_ = hidden;
  if (pointer_ && hidden && pointerSerial_) wl_pointer_set_cursor(pointer_, pointerSerial_, nullptr, 0, 0);
}

void WaylandConnection::OnSeatCapabilities(uint32_t caps) {
  if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard_) {
    keyboard_ = wl_seat_get_keyboard(seat_);
    wl_keyboard_add_listener(keyboard_, &kKeyboard, this);
  } else if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard_) {
    DropKeyboard();
    input_.KeyboardGone();
  }
  if ((caps & WL_SEAT_CAPABILITY_POINTER) && !pointer_) {
    pointer_ = wl_seat_get_pointer(seat_);
    wl_pointer_add_listener(pointer_, &kPointer, this);
  } else if (!(caps & WL_SEAT_CAPABILITY_POINTER) && pointer_) {
    Drop(pointer_);
    pointer_ = nullptr;
  }
}

void WaylandConnection::DropKeyboard() {
  if (keyboard_) Drop(keyboard_);
  keyboard_ = nullptr;
  if (keyState_) xkb_state_unref(keyState_);
  if (keymap_) xkb_keymap_unref(keymap_);
  keyState_ = nullptr;
  keymap_ = nullptr;
  heldKey_ = 0;
}

void WaylandConnection::OnKeymap(int fd, uint32_t size) {
  if (!xkb_) xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (!xkb_) return;
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (map == MAP_FAILED) return;
  xkb_keymap* keymap = xkb_keymap_new_from_string(xkb_, static_cast<const char*>(map), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                  XKB_KEYMAP_COMPILE_NO_FLAGS);
  munmap(map, size);
  if (!keymap) return;
  if (keyState_) xkb_state_unref(keyState_);
  if (keymap_) xkb_keymap_unref(keymap_);
  keymap_ = keymap;
  keyState_ = xkb_state_new(keymap_);
}

void WaylandConnection::OnKey(uint32_t key, bool pressed) {
  if (!keyState_) return;
  const uint32_t code = key + 8;  // evdev to XKB
  if (!pressed) {
    if (code == heldKey_) heldKey_ = 0;
    return;
  }
  heldKey_ = (repeatRate_ > 0 && xkb_keymap_key_repeats(keymap_, code)) ? code : 0;
  nextRepeat_ = Clock::now() + std::chrono::milliseconds(repeatDelay_);
  char text[8] = {};
  xkb_state_key_get_utf8(keyState_, code, text, sizeof text);
  input_.Key(VirtualKeyOfSym(xkb_state_key_get_one_sym(keyState_, code)), ShiftStateOfXkb(keyState_), text);
}

void WaylandConnection::OnModifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
  if (keyState_) xkb_state_update_mask(keyState_, depressed, latched, locked, 0, 0, group);
}

void WaylandConnection::OnRepeatInfo(int32_t rate, int32_t delay) {
  repeatRate_ = std::max(rate, 0);
  repeatDelay_ = std::max(delay, 0);
}

bool WaylandConnection::NextRepeat(Clock::time_point& when) const {
  if (!heldKey_ || !keyState_) return false;
  when = nextRepeat_;
  return true;
}

void WaylandConnection::RunRepeats() {
  if (!heldKey_ || !keyState_ || Clock::now() < nextRepeat_) return;
  nextRepeat_ += std::chrono::microseconds(1000000 / std::max(repeatRate_, 1));
  if (nextRepeat_ < Clock::now()) nextRepeat_ = Clock::now();  // a late loop sends one, not a burst
  char text[8] = {};
  xkb_state_key_get_utf8(keyState_, heldKey_, text, sizeof text);
  input_.Key(VirtualKeyOfSym(xkb_state_key_get_one_sym(keyState_, heldKey_)), ShiftStateOfXkb(keyState_), text);
}

void WaylandConnection::OnPointerEnter(uint32_t serial, wl_surface* surface, double x, double y) {
  pointerSerial_ = serial;
  if (cursorHidden_) wl_pointer_set_cursor(pointer_, serial, nullptr, 0, 0);
  input_.PointerEnter(TargetOf(surface), x, y);
}

void WaylandConnection::OnPointerLeave(wl_surface* surface) { input_.PointerLeave(TargetOf(surface)); }

void WaylandConnection::OnKeyboardEnter(wl_surface* surface) {
  if (IInputTarget* target = TargetOf(surface)) input_.KeyboardEnter(target);
}

void WaylandConnection::OnKeyboardLeave(wl_surface* surface) {
  heldKey_ = 0;
  input_.KeyboardLeave(TargetOf(surface));
}

int WaylandConnection::Dispatch(int timeoutMs, int wake) {
  int dispatched = 0;
  while (wl_display_prepare_read(display_) != 0) {
    const int n = wl_display_dispatch_pending(display_);
    if (n < 0) return -1;
    dispatched += n;
  }
  if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display_);
    return -1;
  }
  pollfd fds[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {wake, POLLIN, 0}};
  const int ready = poll(fds, wake >= 0 ? 2 : 1, dispatched > 0 ? 0 : timeoutMs);
  if (ready > 0 && (fds[0].revents & POLLIN)) {
    if (wl_display_read_events(display_) < 0) return -1;
  } else {
    wl_display_cancel_read(display_);
    if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP))) return -1;
  }
  const int n = wl_display_dispatch_pending(display_);
  if (n < 0 || wl_display_get_error(display_) != 0) return -1;
  return dispatched + n;
}

std::string WaylandConnection::WhyBroken(bool& protocolError) const {
  protocolError = false;
  if (wl_display_get_error(display_) == EPROTO) {
    const wl_interface* interface = nullptr;
    uint32_t id = 0;
    const uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
    protocolError = true;
    return std::string("the Wayland compositor refused a request of ours: protocol error ") + std::to_string(code) +
           " on " + (interface ? interface->name : "an unknown interface") + " " + std::to_string(id);
  }
  return "the Wayland compositor closed the connection";
}

}  // namespace velmo
