// A Wayland client that shows a small grey window holding a
// zwp_idle_inhibitor_v1, as a video player does while it plays: the
// compositor must not report the session idle while it is shown. Prints
// "shown" once the window is up, and keeps it until its standard input ends.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "xdg-shell-client.h"

namespace {

wl_compositor* compositor = nullptr;
wl_shm* shm = nullptr;
xdg_wm_base* wm = nullptr;
zwp_idle_inhibit_manager_v1* inhibitors = nullptr;
bool configured = false;

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  if (!std::strcmp(interface, wl_compositor_interface.name))
    compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
  else if (!std::strcmp(interface, wl_shm_interface.name))
    shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  else if (!std::strcmp(interface, xdg_wm_base_interface.name))
    wm = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
  else if (!std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name))
    inhibitors = static_cast<zwp_idle_inhibit_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return std::fprintf(stderr, "no compositor\n"), 2;
  wl_registry* registry = wl_display_get_registry(display);
  static const wl_registry_listener kRegistry{&Global, [](void*, wl_registry*, uint32_t) {}};
  wl_registry_add_listener(registry, &kRegistry, nullptr);
  wl_display_roundtrip(display);
  if (!compositor || !shm || !wm || !inhibitors) return std::fprintf(stderr, "missing globals\n"), 2;
  static const xdg_wm_base_listener kWm{[](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }};
  xdg_wm_base_add_listener(wm, &kWm, nullptr);

  const int width = 64, height = 64, stride = width * 4, size = stride * height;
  const int fd = memfd_create("inhibitor", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, size) != 0) return 2;
  void* pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  std::memset(pixels, 0x80, size);
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
  wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);

  wl_surface* surface = wl_compositor_create_surface(compositor);
  xdg_surface* xsurface = xdg_wm_base_get_xdg_surface(wm, surface);
  static const xdg_surface_listener kSurface{[](void*, xdg_surface* s, uint32_t serial) {
    xdg_surface_ack_configure(s, serial);
    configured = true;
  }};
  xdg_surface_add_listener(xsurface, &kSurface, nullptr);
  xdg_toplevel* toplevel = xdg_surface_get_toplevel(xsurface);
  xdg_toplevel_set_title(toplevel, "idle inhibitor");
  zwp_idle_inhibit_manager_v1_create_inhibitor(inhibitors, surface);
  wl_surface_commit(surface);
  while (!configured && wl_display_dispatch(display) >= 0) {
  }
  wl_surface_attach(surface, buffer, 0, 0);
  wl_surface_damage(surface, 0, 0, width, height);
  wl_surface_commit(surface);
  wl_display_roundtrip(display);
  std::printf("shown\n");
  std::fflush(stdout);
  pollfd fds[2] = {{0, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
  for (;;) {
    wl_display_flush(display);
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents) {
      char byte;
      if (read(0, &byte, 1) <= 0) break;
    }
    if (fds[1].revents && wl_display_dispatch(display) < 0) break;
  }
  wl_display_disconnect(display);
  return 0;
}
