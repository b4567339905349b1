// Types keys into KWin as its own remote-input clients do, through KDE's
// fake-input protocol: "kwin_fake_key CODE..." presses and releases each
// Linux key code (57 is the space bar) in turn on the compositor named by
// WAYLAND_DISPLAY, then waits for KWin to have taken them. KWin offers the
// protocol to a plain client only when it runs with
// KWIN_WAYLAND_NO_PERMISSION_CHECKS=1. Exit 0 when typed; 1 with a line when
// there is no compositor or no fake input.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <wayland-client.h>

#include "fake-input-client-protocol.h"

namespace {

// Keyboard keys came with version 4.
constexpr uint32_t kKeysSince = 4;

struct Globals {
  org_kde_kwin_fake_input* fakeInput = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  auto* globals = static_cast<Globals*>(data);
  if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= kKeysSince)
    globals->fakeInput = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, kKeysSince));
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

constexpr wl_registry_listener kRegistry{OnGlobal, OnGlobalRemove};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kwin_fake_key CODE...\n");
    return 1;
  }
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "kwin_fake_key: no Wayland compositor\n");
    return 1;
  }
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistry, &globals);
  wl_display_roundtrip(display);
  int rc = 0;
  if (!globals.fakeInput) {
    std::fprintf(stderr, "kwin_fake_key: the compositor offers no org_kde_kwin_fake_input v%u\n", kKeysSince);
    rc = 1;
  } else {
    org_kde_kwin_fake_input_authenticate(globals.fakeInput, "velmo tests", "typing keys in end-to-end tests");
    for (int i = 1; i < argc; ++i) {
      auto code = static_cast<uint32_t>(std::strtoul(argv[i], nullptr, 0));
      org_kde_kwin_fake_input_keyboard_key(globals.fakeInput, code, WL_KEYBOARD_KEY_STATE_PRESSED);
      org_kde_kwin_fake_input_keyboard_key(globals.fakeInput, code, WL_KEYBOARD_KEY_STATE_RELEASED);
    }
    if (wl_display_roundtrip(display) < 0) {
      std::fprintf(stderr, "kwin_fake_key: the compositor closed the connection\n");
      rc = 1;
    }
    org_kde_kwin_fake_input_destroy(globals.fakeInput);
  }
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return rc;
}
