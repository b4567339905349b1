#include "platform/dbus/desktop_bus.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

#include "platform/dbus/inhibition_table.h"

namespace velmo {
namespace {

constexpr const char* kScreenSaverName = "org.freedesktop.ScreenSaver";
constexpr uint32_t kGnomeInhibitIdle = 8;       // GsmInhibitorFlag: idle
constexpr uint32_t kKdeChangeScreenSettings = 4;  // PolicyAgent: blanking and locking the screen

// A match's slot, released with its owner.
struct Slot {
  sd_bus_slot* slot = nullptr;
  Slot() = default;
  Slot(const Slot&) = delete;
  Slot& operator=(const Slot&) = delete;
  ~Slot() { sd_bus_slot_unref(slot); }
};

bool HasOwner(sd_bus* bus, const char* name) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int owned = 0;
  if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                         &error, &reply, "s", name) >= 0)
    sd_bus_message_read(reply, "b", &owned);
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  return owned != 0;
}

// A boolean answer of a method call; fallback when the call fails.
bool CallBool(sd_bus* bus, const char* dest, const char* path, const char* iface, const char* member, bool fallback,
              const char* types = nullptr, uint32_t arg = 0) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int value = fallback;
  const int r = types ? sd_bus_call_method(bus, dest, path, iface, member, &error, &reply, types, arg)
                      : sd_bus_call_method(bus, dest, path, iface, member, &error, &reply, nullptr);
  if (r >= 0 && sd_bus_message_read(reply, "b", &value) < 0) value = fallback;
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  return value != 0;
}

int SetFlag(sd_bus_message*, void* flag, sd_bus_error*) {
  *static_cast<bool*>(flag) = true;
  return 0;
}

// GNOME's IdleMonitor: an idle watch that fires each time the delay is
// reached, and a one-shot user-active watch added after it fired.
class GnomeIdleSource : public IIdleSource {
 public:
  explicit GnomeIdleSource(sd_bus* bus) : bus_(bus) {}
  ~GnomeIdleSource() override {
    Remove(idleWatch_);
    Remove(activeWatch_);
  }

  bool Open(std::string* why) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call_method(bus_, kName, kPath, kIface, "GetIdletime", &error, &reply, nullptr);
    sd_bus_message_unref(reply);
    if (r < 0) {
      *why = std::string("no GNOME IdleMonitor on the session bus (") + (error.message ? error.message : "no answer") +
             ")";
      sd_bus_error_free(&error);
      return false;
    }
    if (sd_bus_match_signal(bus_, &fired_.slot, kName, kPath, kIface, "WatchFired", &Fired, this) < 0) {
      *why = "cannot follow GNOME IdleMonitor's signals";
      return false;
    }
    return true;
  }

  const char* Name() const override { return "GNOME IdleMonitor"; }
  int Fd() const override { return -1; }

  void Arm(uint32_t delayMs) override {
    Remove(idleWatch_);
    Remove(activeWatch_);
    idleWatch_ = Add("AddIdleWatch", delayMs);
  }

  bool Dispatch(const std::function<void(IdleEvent)>& onEvent) override {
    // Called by the loop after the bus was processed: a call from inside
    // sd-bus's own dispatch would run it again under itself.
    if (wantActiveWatch_) {
      wantActiveWatch_ = false;
      if (!activeWatch_) activeWatch_ = Add("AddUserActiveWatch", 0);
    }
    while (!events_.empty()) {
      const IdleEvent event = events_.front();
      events_.pop_front();
      onEvent(event);
    }
    return true;
  }

 private:
  static constexpr const char* kName = "org.gnome.Mutter.IdleMonitor";
  static constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
  static constexpr const char* kIface = "org.gnome.Mutter.IdleMonitor";

  static int Fired(sd_bus_message* message, void* data, sd_bus_error*) {
    auto* self = static_cast<GnomeIdleSource*>(data);
    uint32_t id = 0;
    if (sd_bus_message_read(message, "u", &id) < 0 || id == 0) return 0;
    if (id == self->idleWatch_) {
      self->events_.push_back(IdleEvent::kIdle);
      // Added from the loop, not inside sd-bus's dispatch.
      self->wantActiveWatch_ = true;
    } else if (id == self->activeWatch_) {
      self->activeWatch_ = 0;  // a user-active watch fires once
      self->events_.push_back(IdleEvent::kActive);
    }
    return 0;
  }

  uint32_t Add(const char* method, uint32_t delayMs) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    uint32_t id = 0;
    const int r = std::strcmp(method, "AddIdleWatch") == 0
                      ? sd_bus_call_method(bus_, kName, kPath, kIface, method, &error, &reply, "t", uint64_t{delayMs})
                      : sd_bus_call_method(bus_, kName, kPath, kIface, method, &error, &reply, nullptr);
    if (r >= 0) sd_bus_message_read(reply, "u", &id);
    else std::fprintf(stderr, "velmo: GNOME IdleMonitor refused %s: %s\n", method, error.message ? error.message : "");
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return id;
  }

  void Remove(uint32_t& id) {
    if (id) sd_bus_call_method(bus_, kName, kPath, kIface, "RemoveWatch", nullptr, nullptr, "u", id);
    id = 0;
  }

 private:
  sd_bus* bus_;
  Slot fired_;
  uint32_t idleWatch_ = 0, activeWatch_ = 0;
  bool wantActiveWatch_ = false;
  std::deque<IdleEvent> events_;
};

// The session manager's answer to IsInhibited(idle), asked again after
// InhibitorAdded or InhibitorRemoved.
class GnomeInhibitions : public IInhibitions {
 public:
  explicit GnomeInhibitions(sd_bus* bus) : bus_(bus) {
    for (const char* member : {"InhibitorAdded", "InhibitorRemoved"})
      sd_bus_match_signal(bus_, nullptr, kName, kPath, kName, member, &SetFlag, &changed_);
  }
  bool Inhibited() override {
    if (changed_) {
      changed_ = false;
      inhibited_ = CallBool(bus_, kName, kPath, kName, "IsInhibited", false, "u", kGnomeInhibitIdle);
    }
    return inhibited_;
  }
  std::string How() const override { return "GNOME's session manager (IsInhibited)"; }

 private:
  static constexpr const char* kName = "org.gnome.SessionManager";
  static constexpr const char* kPath = "/org/gnome/SessionManager";
  sd_bus* bus_;
  bool changed_ = true;
  bool inhibited_ = false;
};

// Plasma: applications' org.freedesktop.ScreenSaver.Inhibit reaches
// PowerDevil's PolicyAgent as a ChangeScreenSettings inhibition.
class KdeInhibitions : public IInhibitions {
 public:
  explicit KdeInhibitions(sd_bus* bus) : bus_(bus) {
    sd_bus_match_signal(bus_, nullptr, kName, kPath, kName, "InhibitionsChanged", &SetFlag, &changed_);
  }
  bool Inhibited() override {
    if (changed_) {
      changed_ = false;
      inhibited_ = CallBool(bus_, kName, kPath, kName, "HasInhibition", false, "u", kKdeChangeScreenSettings);
    }
    return inhibited_;
  }
  std::string How() const override { return "Plasma's power management (HasInhibition)"; }

 private:
  static constexpr const char* kName = "org.kde.Solid.PowerManagement.PolicyAgent";
  static constexpr const char* kPath = "/org/kde/Solid/PowerManagement/PolicyAgent";
  sd_bus* bus_;
  bool changed_ = true;
  bool inhibited_ = false;
};

// org.freedesktop.ScreenSaver served here, where nobody else serves it.
class OwnInhibitions : public IInhibitions {
 public:
  explicit OwnInhibitions(sd_bus* bus) : bus_(bus) {}
  ~OwnInhibitions() override { sd_bus_release_name(bus_, kScreenSaverName); }

  bool Open(std::string* why) {
    static const sd_bus_vtable kVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("Inhibit", "ss", "u", &OnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("UnInhibit", "u", "", &OnUnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("GetActive", "", "b", &OnGetActive, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("SimulateUserActivity", "", "", &OnNothing, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END};
    // Browsers call either path.
    for (Slot* slot : {&objects_[0], &objects_[1]}) {
      const char* path = slot == &objects_[0] ? "/org/freedesktop/ScreenSaver" : "/ScreenSaver";
      if (sd_bus_add_object_vtable(bus_, &slot->slot, path, kScreenSaverName, kVtable, this) < 0) {
        *why = "cannot serve org.freedesktop.ScreenSaver";
        return false;
      }
    }
    const int r = sd_bus_request_name(bus_, kScreenSaverName, 0);
    if (r < 0) {
      *why = r == -EEXIST ? "another program serves org.freedesktop.ScreenSaver"
                          : std::string("cannot own org.freedesktop.ScreenSaver: ") + std::strerror(-r);
      return false;
    }
    return true;
  }

  bool Inhibited() override {
    // A caller that left before its watch was in place: the bus said nothing
    // of it, so ask. The watch was asked for first, so no closing is missed.
    for (const std::string& sender : fresh_)
      if (!HasOwner(bus_, sender.c_str())) table_.DropSender(sender);
    fresh_.clear();
    // Watches of callers that hold nothing any more (not removed inside
    // their own signal's handler).
    for (auto it = watched_.begin(); it != watched_.end();)
      it = table_.Holds(it->first) ? std::next(it) : watched_.erase(it);
    return !table_.Empty();
  }
  std::string How() const override { return "its own org.freedesktop.ScreenSaver"; }
  void SetSaverActive(bool active) override { active_ = active; }

 private:
  static int OnInhibit(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<OwnInhibitions*>(data);
    const char* app = nullptr;
    const char* reason = nullptr;
    if (const int r = sd_bus_message_read(m, "ss", &app, &reason); r < 0) return r;
    const std::string sender = sd_bus_message_get_sender(m) ? sd_bus_message_get_sender(m) : "";
    if (!sender.empty() && !self->watched_.count(sender)) {
      // Only this caller's connection is watched, and only while it holds
      // an inhibition: other programs coming and going wake nobody.
      const std::string rule =
          "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',interface='org.freedesktop.DBus',"
          "member='NameOwnerChanged',arg0='" + sender + "'";
      sd_bus_add_match_async(self->bus_, &self->watched_[sender].slot, rule.c_str(), &OnOwnerChanged, nullptr, self);
      self->fresh_.push_back(sender);
    }
    const uint32_t cookie = self->table_.Add(sender, app, reason);
    return sd_bus_reply_method_return(m, "u", cookie);
  }
  static int OnUnInhibit(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<OwnInhibitions*>(data);
    uint32_t cookie = 0;
    if (const int r = sd_bus_message_read(m, "u", &cookie); r < 0) return r;
    const char* sender = sd_bus_message_get_sender(m);
    self->table_.Remove(sender ? sender : "", cookie);
    return sd_bus_reply_method_return(m, "");
  }
  static int OnGetActive(sd_bus_message* m, void* data, sd_bus_error*) {
    return sd_bus_reply_method_return(m, "b", static_cast<int>(static_cast<OwnInhibitions*>(data)->active_));
  }
  static int OnNothing(sd_bus_message* m, void*, sd_bus_error*) { return sd_bus_reply_method_return(m, ""); }
  // A caller's connection closed: its inhibitions go with it.
  static int OnOwnerChanged(sd_bus_message* m, void* data, sd_bus_error*) {
    const char* name = nullptr;
    const char* before = nullptr;
    const char* after = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &before, &after) < 0) return 0;
    if (name && name[0] == ':' && after && !*after) static_cast<OwnInhibitions*>(data)->table_.DropSender(name);
    return 0;
  }

  sd_bus* bus_;
  Slot objects_[2];
  TInhibitionTable table_;
  std::map<std::string, Slot> watched_;  // callers holding inhibitions: their connection's NameOwnerChanged
  std::vector<std::string> fresh_;       // callers watched since the loop last asked
  bool active_ = false;
};

// logind's LockedHint of this process's session, read again after the
// session's PropertiesChanged; GNOME's shield (org.gnome.ScreenSaver Active).
class LockState : public ILockState {
 public:
  LockState(sd_bus* system, sd_bus* session) : system_(system), session_(session) {}
  bool Open() {
    if (system_ && FindSession()) {
      sd_bus_match_signal(system_, &logindSlot_.slot, "org.freedesktop.login1", sessionPath_.c_str(),
                          "org.freedesktop.DBus.Properties", "PropertiesChanged", &SetFlag, &logindChanged_);
      logindChanged_ = true;
    } else {
      system_ = nullptr;
    }
    if (session_ && HasOwner(session_, "org.gnome.ScreenSaver")) {
      sd_bus_match_signal(session_, &shieldSlot_.slot, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver",
                          "org.gnome.ScreenSaver", "ActiveChanged", &OnShield, this);
      shield_ = CallBool(session_, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver",
                         "GetActive", false);
    } else {
      session_ = nullptr;
    }
    return system_ || session_;
  }

  bool Locked() override {
    if (logindChanged_ && system_) {
      logindChanged_ = false;
      int value = 0;
      sd_bus_error error = SD_BUS_ERROR_NULL;
      if (sd_bus_get_property_trivial(system_, "org.freedesktop.login1", sessionPath_.c_str(),
                                      "org.freedesktop.login1.Session", "LockedHint", &error, 'b', &value) >= 0)
        locked_ = value != 0;
      sd_bus_error_free(&error);
    }
    return locked_ || shield_;
  }

 private:
  bool FindSession() {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const char* id = std::getenv("XDG_SESSION_ID");
    int r = id && *id ? sd_bus_call_method(system_, "org.freedesktop.login1", "/org/freedesktop/login1",
                                           "org.freedesktop.login1.Manager", "GetSession", &error, &reply, "s", id)
                      : sd_bus_call_method(system_, "org.freedesktop.login1", "/org/freedesktop/login1",
                                           "org.freedesktop.login1.Manager", "GetSessionByPID", &error, &reply, "u",
                                           static_cast<uint32_t>(getpid()));
    const char* path = nullptr;
    if (r >= 0 && sd_bus_message_read(reply, "o", &path) >= 0 && path) sessionPath_ = path;
    else r = -1;
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return r >= 0;
  }
  static int OnShield(sd_bus_message* m, void* data, sd_bus_error*) {
    int active = 0;
    if (sd_bus_message_read(m, "b", &active) >= 0) static_cast<LockState*>(data)->shield_ = active != 0;
    return 0;
  }

  sd_bus* system_;
  sd_bus* session_;
  std::string sessionPath_;
  Slot logindSlot_, shieldSlot_;
  bool logindChanged_ = false;
  bool locked_ = false;
  bool shield_ = false;
};

std::unique_ptr<BusConnection> Open(int (*opener)(sd_bus**), const char* which, std::string* why) {
  sd_bus* bus = nullptr;
  const int r = opener(&bus);
  if (r < 0) {
    *why = std::string("no ") + which + " bus (" + std::strerror(-r) + ")";
    return nullptr;
  }
  return std::make_unique<BusConnection>(bus);
}

}  // namespace

BusConnection::BusConnection(sd_bus* bus) : bus_(bus) {}
BusConnection::~BusConnection() { sd_bus_flush_close_unref(bus_); }
int BusConnection::Fd() const { return sd_bus_get_fd(bus_); }
short BusConnection::Events() const {
  const int events = sd_bus_get_events(bus_);
  return static_cast<short>(events > 0 ? events : POLLIN);
}
int BusConnection::TimeoutMs() const {
  uint64_t at = 0;
  if (sd_bus_get_timeout(bus_, &at) < 0 || at == UINT64_MAX) return -1;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t nowUs = uint64_t(now.tv_sec) * 1000000u + uint64_t(now.tv_nsec) / 1000u;
  return at <= nowUs ? 0 : static_cast<int>((at - nowUs + 999) / 1000);
}
bool BusConnection::Process() {
  for (;;) {
    const int r = sd_bus_process(bus_, nullptr);
    if (r < 0) return false;
    if (r == 0) return true;
  }
}

std::unique_ptr<BusConnection> OpenSessionBus(std::string* why) { return Open(&sd_bus_open_user, "session", why); }
std::unique_ptr<BusConnection> OpenSystemBus(std::string* why) { return Open(&sd_bus_open_system, "system", why); }

std::unique_ptr<IIdleSource> OpenGnomeIdleSource(BusConnection& session, std::string* why) {
  auto source = std::make_unique<GnomeIdleSource>(session.get());
  if (!source->Open(why)) return nullptr;
  return source;
}

std::unique_ptr<IInhibitions> OpenInhibitions(BusConnection& session, std::string* why) {
  sd_bus* bus = session.get();
  if (HasOwner(bus, "org.gnome.SessionManager")) return std::make_unique<GnomeInhibitions>(bus);
  if (HasOwner(bus, "org.kde.Solid.PowerManagement.PolicyAgent")) return std::make_unique<KdeInhibitions>(bus);
  auto own = std::make_unique<OwnInhibitions>(bus);
  if (!own->Open(why)) return nullptr;
  return own;
}

std::unique_ptr<ILockState> OpenLockState(BusConnection* system, BusConnection* session) {
  auto state = std::make_unique<LockState>(system ? system->get() : nullptr, session ? session->get() : nullptr);
  if (!state->Open()) return nullptr;
  return state;
}

}  // namespace velmo
