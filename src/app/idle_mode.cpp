#include "app/idle_mode.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/idle_watch.h"
#include "app/settings_program.h"
#include "components/setreg.h"
#include "platform/dbus/desktop_bus.h"
#include "platform/idle/wayland_idle.h"
#include "platform/idle/x11_idle.h"
#include "platform/posix/child_process.h"
#include "platform/posix/file_watch.h"
#include "platform/posix/hive_registry.h"
#include "platform/posix/one_shot_timer.h"
#include "platform/posix/session_lock.h"
#include "platform/posix/wake_fd.h"
#include "platform/termination.h"
#include "setup/settings.h"

// Where the build installs velmo-idle, relative to the program's own
// directory (CMake computes it from the install layout it was given).
#ifndef VELMO_IDLE_FROM_BINDIR
#define VELMO_IDLE_FROM_BINDIR "../libexec/velmo/velmo-idle"
#endif

namespace velmo {
namespace {

constexpr int kExitDone = 0, kExitFailed = 2;

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

std::string Seconds(uint32_t ms) {
  if (ms % 60000 == 0) return std::to_string(ms / 60000) + (ms == 60000 ? " minute" : " minutes");
  return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
}

// The settings' two values of the idle start; a file that cannot be read
// counts as the defaults (said once by the store).
TIdleSettings ReadIdleSettings(TSetReg& store) {
  try {
    return LoadIdleSettings(store);
  } catch (const ERegistryException& e) {
    std::fprintf(stderr, "velmo: %s\n", e.what());
    return {};
  }
}

// The idle source the session offers, in order: the compositor's own
// (it sees every input and honours Wayland inhibitors), GNOME's IdleMonitor
// (mutter offers no Wayland idle protocol), the X server's counter (only
// without a compositor: under Xwayland it would see X clients' input alone).
std::unique_ptr<IIdleSource> ChooseSource(BusConnection* session, std::string* tried) {
  std::string why;
  auto note = [&](const std::string& text) { *tried += (tried->empty() ? "" : "; ") + text; };
  if (Set("WAYLAND_DISPLAY")) {
    if (auto source = OpenWaylandIdleSource(&why)) return source;
    note(why);
  }
  if (session) {
    if (auto source = OpenGnomeIdleSource(*session, &why)) return source;
    note(why);
  }
  if (!Set("WAYLAND_DISPLAY") && Set("DISPLAY")) {
    if (auto source = OpenX11IdleSource(&why)) return source;
    note(why);
  }
  if (!Set("WAYLAND_DISPLAY") && !Set("DISPLAY")) note("no display");
  return nullptr;
}

std::string DesktopsOwnTool() {
  if (Set("WAYLAND_DISPLAY"))
    return "start it with the desktop's own idle tool, such as swayidle -w timeout 300 'velmo /s' on sway";
  return "start it with xscreensaver (velmo --add-to-xscreensaver adds it there)";
}

class Watcher : public IIdleActions {
 public:
  Watcher(IIdleSource& source, uint32_t delayMs, std::string saver)
      : source_(source), watch_(*this, delayMs), saverProgram_(std::move(saver)) {}

  void StartSaver() override {
    std::string why;
    // The saver started here neither holds off the desktop's own blank nor
    // its lock: SDL keeps the screen saver allowed, and the saver takes no
    // inhibition of its own.
    saver_ = ChildProcess::Spawn(saverProgram_, {"velmo", "/s"},
                                 {"SDL_VIDEO_ALLOW_SCREENSAVER=1", "VELMO_IDLE_WATCHER=" + std::to_string(getpid())},
                                 &why);
    if (!saver_) {
      std::fprintf(stderr, "velmo: %s\n", why.c_str());
      spawnFailed_ = true;
    }
    if (inhibitions_) inhibitions_->SetSaverActive(saver_ != nullptr);
  }
  void StopSaver() override {
    if (saver_) saver_->Terminate();
  }
  void ArmSource(uint32_t delayMs) override { source_.Arm(delayMs); }
  void SetTimer(uint32_t delayMs) override { timer_.Set(delayMs); }

  int Run(BusConnection* session, BusConnection* system, TSetReg& store, bool followStoredDelay, bool startedOn);

 private:
  void SaverEnded();
  void EndSaverAndWait();

  IIdleSource& source_;
  TIdleWatch watch_;
  std::string saverProgram_;
  OneShotTimer timer_;
  std::unique_ptr<ChildProcess> saver_;
  bool spawnFailed_ = false;

 public:
  std::unique_ptr<IInhibitions> inhibitions_;
  std::unique_ptr<ILockState> lock_;
};

void Watcher::SaverEnded() {
  int code = 0;
  if (saver_ && saver_->Reap(&code) && code != 0) std::fprintf(stderr, "velmo: the saver ended with code %d\n", code);
  saver_.reset();
  if (inhibitions_) inhibitions_->SetSaverActive(false);
  watch_.OnSaverEnded();
}

// A termination request ends the saver started here too; its own orderly
// end takes tens of milliseconds.
void Watcher::EndSaverAndWait() {
  if (!saver_) return;
  saver_->Terminate();
  pollfd ended{saver_->Fd(), POLLIN, 0};
  poll(&ended, 1, 350);
  int code = 0;
  saver_->Reap(&code);
}

int Watcher::Run(BusConnection* session, BusConnection* system, TSetReg& store, bool followStoredDelay,
                 bool startedOn) {
  WakeFd wake;
  SetTerminationHandler([&wake] { wake.Raise(); });
  struct Restore {
    ~Restore() { SetTerminationHandler(nullptr); }
  } restore;
  FileWatch settingsFile(store.Location());
  bool idleStartOn = startedOn;
  const auto onEvent = [this](IdleEvent event) { watch_.OnEvent(event); };
  auto followDesktop = [&] {
    if (inhibitions_) watch_.OnInhibited(inhibitions_->Inhibited());
    if (lock_) watch_.OnLocked(lock_->Locked());
  };
  followDesktop();
  watch_.Start();
  source_.Dispatch(onEvent);  // what the source knew at once (the X server's blank already on)
  for (;;) {
    enum Slot { kWake, kSource, kSession, kSystem, kFile, kTimer, kSaver, kCount };
    pollfd fds[kCount] = {
        {wake.Fd(), POLLIN, 0},
        {source_.Fd(), POLLIN, 0},
        {session ? session->Fd() : -1, session ? session->Events() : short{0}, 0},
        {system ? system->Fd() : -1, system ? system->Events() : short{0}, 0},
        {settingsFile.Fd(), POLLIN, 0},
        {timer_.Fd(), POLLIN, 0},
        {saver_ ? saver_->Fd() : -1, POLLIN, 0},
    };
    int timeout = -1;
    for (BusConnection* bus : {session, system})
      if (bus && bus->TimeoutMs() >= 0) timeout = timeout < 0 ? bus->TimeoutMs() : std::min(timeout, bus->TimeoutMs());
    if (poll(fds, kCount, timeout) < 0) continue;  // EINTR
    if (fds[kWake].revents) {
      EndSaverAndWait();
      return kExitDone;
    }
    if (session && !session->Process()) {
      std::fprintf(stderr, "velmo: the session bus closed the connection; the watcher ends\n");
      EndSaverAndWait();
      return kExitDone;
    }
    if (system && !system->Process()) {
      // logind's lock is then seen only through the desktop's blank and focus.
      std::fprintf(stderr, "velmo: the system bus closed the connection; the session's lock is no longer seen\n");
      system = nullptr;
    }
    if (!source_.Dispatch(onEvent)) {
      std::fprintf(stderr, "velmo: %s: the connection closed; the watcher ends\n", source_.Name());
      EndSaverAndWait();
      return kExitDone;
    }
    followDesktop();
    if (fds[kTimer].revents && timer_.Fired()) watch_.OnTimer();
    if ((fds[kSaver].revents && saver_) || spawnFailed_) {
      spawnFailed_ = false;
      SaverEnded();
    }
    if (fds[kFile].revents && settingsFile.Changed()) {
      const TIdleSettings idle = ReadIdleSettings(store);
      if (idleStartOn && !idle.IdleStart) {
        std::fprintf(stderr, "velmo: starting Velmo when the computer is idle was turned off; the watcher ends\n");
        EndSaverAndWait();
        return kExitDone;
      }
      idleStartOn = idle.IdleStart;
      const uint32_t delay = static_cast<uint32_t>(idle.IdleMinutes) * 60000u;
      if (followStoredDelay && delay != watch_.Delay()) {
        std::fprintf(stderr, "velmo: now waiting for %s without input\n", Seconds(delay).c_str());
        watch_.SetDelay(delay);
      }
    }
  }
}

}  // namespace

int RunIdleWatcher(int afterSeconds, const std::string& saverProgram) {
  // Never two savers: a daemon that already serves this X display starts its
  // own programs (Velmo among them, where it was added).
  if (!Set("WAYLAND_DISPLAY") && Set("DISPLAY")) {
    const std::string other = OtherX11ScreenSaver();
    if (!other.empty()) {
      std::fprintf(stderr, "velmo: %s already serves this display; the watcher stands aside\n", other.c_str());
      return kExitDone;
    }
  }
  SessionLock lock;
  std::string why;
  const std::string lockPath = SessionLockPath();
  switch (TakeSessionLock(lockPath, &lock, &why)) {
    case LockResult::kHeldByOther:
      std::fprintf(stderr, "velmo: a watcher already runs for this session (%s)\n", lockPath.c_str());
      return kExitDone;
    case LockResult::kFailed:
      std::fprintf(stderr, "velmo: cannot take the watcher's lock, %s; going on without it\n", why.c_str());
      break;
    case LockResult::kTaken: break;
  }

  std::unique_ptr<IRegistry> registry = MakeHiveRegistry();
  TSetReg store(nullptr, *registry);
  store.SetCompanyName("Corvane");
  store.SetProductName("Velmo20");
  const TIdleSettings idle = ReadIdleSettings(store);
  const uint32_t delayMs =
      afterSeconds > 0 ? static_cast<uint32_t>(afterSeconds) * 1000u : static_cast<uint32_t>(idle.IdleMinutes) * 60000u;

  std::unique_ptr<BusConnection> session = OpenSessionBus(&why);
  if (!session)
    std::fprintf(stderr,
                 "velmo: %s: GNOME's idle monitor, applications' inhibitions and the desktop's shield are not seen\n",
                 why.c_str());
  std::unique_ptr<BusConnection> system = OpenSystemBus(&why);  // logind: quietly without

  std::string tried;
  std::unique_ptr<IIdleSource> source = ChooseSource(session.get(), &tried);
  if (!source) {
    std::fprintf(stderr, "velmo: this session does not say when it is idle (%s); %s\n", tried.c_str(),
                 DesktopsOwnTool().c_str());
    return kExitFailed;
  }
  Watcher watcher(*source, delayMs, saverProgram);
  if (session) {
    watcher.inhibitions_ = OpenInhibitions(*session, &why);
    if (!watcher.inhibitions_)
      std::fprintf(stderr, "velmo: %s; applications hold Velmo off only through the compositor\n", why.c_str());
  }
  watcher.lock_ = OpenLockState(system.get(), session.get());
  std::fprintf(stderr, "velmo: starts after %s without input (%s%s%s)\n", Seconds(delayMs).c_str(), source->Name(),
               watcher.inhibitions_ ? "; inhibitions through " : "",
               watcher.inhibitions_ ? watcher.inhibitions_->How().c_str() : "");
  return watcher.Run(session.get(), system.get(), store, afterSeconds <= 0, idle.IdleStart);
}

int RunIdleProgram(int afterSeconds) {
  const std::string self = ThisProgram();
  const std::string helper = FindHelperProgram(self, "velmo-idle", VELMO_IDLE_FROM_BINDIR);
  if (!helper.empty()) {
    const std::string after = std::to_string(afterSeconds);
    const char* argv[] = {"velmo-idle", after.c_str(), self.c_str(), nullptr};
    ::execv(helper.c_str(), const_cast<char* const*>(argv));
    std::fprintf(stderr, "velmo: %s cannot be started; watching in this process\n", helper.c_str());
  }
  return RunIdleWatcher(afterSeconds, self.empty() ? OwnProgram() : self);
}

}  // namespace velmo
