#pragma once
// What the watcher (velmo --idle) asks of the session's D-Bus, over sd-bus:
// GNOME's IdleMonitor as an idle source; who holds the saver off (GNOME's
// session manager, Plasma's power management, or the watcher's own
// org.freedesktop.ScreenSaver where nobody serves that name); whether the
// session is locked (logind's LockedHint on the system bus, GNOME's shield).
// Every call runs on the watcher's thread; method calls block for one round
// trip (at startup and after a signal said something changed), signals are
// read when the loop finds the connection readable.
#include <memory>
#include <string>

#include "platform/idle.h"

struct sd_bus;

namespace velmo {

// One connection to a bus, for the loop's poll.
class BusConnection {
 public:
  explicit BusConnection(sd_bus* bus);
  ~BusConnection();
  BusConnection(const BusConnection&) = delete;
  BusConnection& operator=(const BusConnection&) = delete;
  sd_bus* get() const { return bus_; }
  int Fd() const;
  // The poll events it waits for (POLLIN, and POLLOUT while it has
  // unsent messages).
  short Events() const;
  // Milliseconds until sd-bus wants to run (a method call's timeout), -1
  // when it waits for nothing.
  int TimeoutMs() const;
  // Reads and handles what came, without blocking. False when the
  // connection is gone.
  bool Process();

 private:
  sd_bus* bus_;
};

// Null with why when there is none (one line).
std::unique_ptr<BusConnection> OpenSessionBus(std::string* why);
std::unique_ptr<BusConnection> OpenSystemBus(std::string* why);

// org.gnome.Mutter.IdleMonitor (mutter and gnome-shell). Its events come in
// when the session bus is processed; Fd is -1. Null with why without it.
std::unique_ptr<IIdleSource> OpenGnomeIdleSource(BusConnection& session, std::string* why);

// Whether an application asks the desktop to stay awake.
class IInhibitions {
 public:
  virtual ~IInhibitions() = default;
  // Asks again where a signal said something changed. Cheap otherwise.
  virtual bool Inhibited() = 0;
  // Where the answer comes from, for the line said at start.
  virtual std::string How() const = 0;
  // Where the watcher serves org.freedesktop.ScreenSaver itself: whether the
  // saver is running (its GetActive).
  virtual void SetSaverActive(bool) {}
};
// GNOME's session manager where it runs, else Plasma's PolicyAgent, else
// the name org.freedesktop.ScreenSaver taken and served here (objects
// /org/freedesktop/ScreenSaver and /ScreenSaver). Null with why when
// another program serves that name and neither of the others runs.
std::unique_ptr<IInhibitions> OpenInhibitions(BusConnection& session, std::string* why);

// Whether the session is locked or the desktop's shield is up.
class ILockState {
 public:
  virtual ~ILockState() = default;
  // Asks again where a signal said it changed. Cheap otherwise.
  virtual bool Locked() = 0;
};
// logind's LockedHint for this process's session (system, may be null) and
// GNOME's org.gnome.ScreenSaver Active (session, may be null). Null when
// neither can tell.
std::unique_ptr<ILockState> OpenLockState(BusConnection* system, BusConnection* session);

}  // namespace velmo
