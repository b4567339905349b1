#include "platform/idle/wayland_idle.h"

#include <wayland-client.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ext-idle-notify-v1-client.h"
#include "idle-client.h"

namespace velmo {
namespace {

class WaylandIdleSource : public IIdleSource {
 public:
  ~WaylandIdleSource() override {
    Release();
    if (ext_) ext_idle_notifier_v1_destroy(ext_);
    if (kde_) org_kde_kwin_idle_destroy(kde_);
    if (seat_) wl_seat_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    if (display_) wl_display_disconnect(display_);
  }

  bool Open(std::string* why) {
    display_ = wl_display_connect(nullptr);
    if (!display_) {
      *why = "no Wayland compositor answers";
      return false;
    }
    registry_ = wl_display_get_registry(display_);
    static const wl_registry_listener kRegistry{&Global, [](void*, wl_registry*, uint32_t) {}};
    wl_registry_add_listener(registry_, &kRegistry, this);
    if (wl_display_roundtrip(display_) < 0) {
      *why = "the Wayland compositor closed the connection";
      return false;
    }
    if (!seat_ || (!ext_ && !kde_)) {
      *why = seat_ ? "the Wayland compositor offers no idle notification (ext-idle-notify or KDE's idle protocol)"
                   : "the Wayland compositor offers no seat";
      return false;
    }
    if (ext_ && kde_) {  // the standard one wins
      org_kde_kwin_idle_destroy(kde_);
      kde_ = nullptr;
    }
    return true;
  }

  const char* Name() const override { return ext_ ? "ext-idle-notify" : "KDE idle protocol"; }
  int Fd() const override { return wl_display_get_fd(display_); }

  void Arm(uint32_t delayMs) override {
    Release();
    if (ext_) {
      extNote_ = ext_idle_notifier_v1_get_idle_notification(ext_, delayMs, seat_);
      static const ext_idle_notification_v1_listener kNote{
          [](void* self, ext_idle_notification_v1*) { static_cast<WaylandIdleSource*>(self)->Event(IdleEvent::kIdle); },
          [](void* self, ext_idle_notification_v1*) {
            static_cast<WaylandIdleSource*>(self)->Event(IdleEvent::kActive);
          }};
      ext_idle_notification_v1_add_listener(extNote_, &kNote, this);
    } else {
      kdeNote_ = org_kde_kwin_idle_get_idle_timeout(kde_, seat_, delayMs);
      static const org_kde_kwin_idle_timeout_listener kNote{
          [](void* self, org_kde_kwin_idle_timeout*) { static_cast<WaylandIdleSource*>(self)->Event(IdleEvent::kIdle); },
          [](void* self, org_kde_kwin_idle_timeout*) {
            static_cast<WaylandIdleSource*>(self)->Event(IdleEvent::kActive);
          }};
      org_kde_kwin_idle_timeout_add_listener(kdeNote_, &kNote, this);
    }
    wl_display_flush(display_);
  }

  bool Dispatch(const std::function<void(IdleEvent)>& onEvent) override {
    onEvent_ = &onEvent;
    // Reads what came, then runs the handlers; never waits.
    bool ok = true;
    while (wl_display_prepare_read(display_) != 0) {
      if (wl_display_dispatch_pending(display_) < 0) ok = false;
      if (!ok) break;
    }
    if (ok) {
      if (wl_display_read_events(display_) < 0 && errno != EAGAIN) ok = false;
      if (ok && wl_display_dispatch_pending(display_) < 0) ok = false;
    }
    if (ok && wl_display_flush(display_) < 0 && errno != EAGAIN) ok = false;
    onEvent_ = nullptr;
    return ok;
  }

 private:
  static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* self = static_cast<WaylandIdleSource*>(data);
    if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0 && !self->ext_) {
      self->ext_ = static_cast<ext_idle_notifier_v1*>(wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0 && !self->kde_) {
      self->kde_ = static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
      self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    }
  }

  void Event(IdleEvent event) {
    if (onEvent_) (*onEvent_)(event);
  }

  void Release() {
    if (extNote_) ext_idle_notification_v1_destroy(extNote_);
    if (kdeNote_) org_kde_kwin_idle_timeout_release(kdeNote_);
    extNote_ = nullptr;
    kdeNote_ = nullptr;
  }

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  ext_idle_notifier_v1* ext_ = nullptr;
  org_kde_kwin_idle* kde_ = nullptr;
  ext_idle_notification_v1* extNote_ = nullptr;
  org_kde_kwin_idle_timeout* kdeNote_ = nullptr;
  const std::function<void(IdleEvent)>* onEvent_ = nullptr;
};

}  // namespace

std::unique_ptr<IIdleSource> OpenWaylandIdleSource(std::string* why) {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (!name || !*name) {
    *why = "WAYLAND_DISPLAY is not set";
    return nullptr;
  }
  auto source = std::make_unique<WaylandIdleSource>();
  if (!source->Open(why)) return nullptr;
  return source;
}

}  // namespace velmo
