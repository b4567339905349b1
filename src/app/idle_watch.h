#pragma once
// The watcher's rules (velmo --idle), apart from any descriptor: when the
// saver starts, what holds it off, what ends it. The loop (idle_mode.cpp)
// feeds it what the sources report and does what it asks; unit tests feed it
// by hand.
#include <cstdint>

#include "platform/idle.h"

namespace velmo {

// What the rules ask of the world. Each call returns at once.
class IIdleActions {
 public:
  virtual ~IIdleActions() = default;
  // Runs the saver (a child process); OnSaverEnded follows when it ends.
  virtual void StartSaver() = 0;
  // Asks the running saver to end (SIGTERM); OnSaverEnded follows.
  virtual void StopSaver() = 0;
  // Arms the idle source anew for delayMs (IIdleSource::Arm).
  virtual void ArmSource(uint32_t delayMs) = 0;
  // One wake-up after delayMs (OnTimer), replacing any; 0 cancels it.
  virtual void SetTimer(uint32_t delayMs) = 0;
};

class TIdleWatch {
 public:
  TIdleWatch(IIdleActions& actions, uint32_t delayMs);

  // Arms the source; the saver starts at the first idle delay.
  void Start();
  // A source's event, to the handler below that takes it.
  void OnEvent(IdleEvent event);
  // The source's events.
  void OnIdle();
  void OnActive();
  // The saver this watch started has ended, however.
  void OnSaverEnded();
  // An application asks the desktop to stay awake (a video, a
  // presentation): no saver starts while it asks. Once it stops asking, the
  // saver starts after a whole delay without input.
  void OnInhibited(bool inhibited);
  // The session is locked (logind), or the desktop's own blank is on (the X
  // server's saver): a running saver ends quietly, none starts, and after it
  // the next start waits for input and a new idle delay.
  void OnLocked(bool locked);
  void OnBlanked(bool blanked);
  void OnTimer();
  // The stored delay changed: the source is armed anew with it.
  void SetDelay(uint32_t delayMs);

  bool SaverRunning() const { return saverRunning_; }
  uint32_t Delay() const { return delayMs_; }

 private:
  bool MayStart() const;
  void StartIfIdle();
  void HeldByDesktop();

  IIdleActions& actions_;
  uint32_t delayMs_;
  bool idle_ = false;          // the source said idle, and no input since
  bool saverRunning_ = false;
  bool inhibited_ = false;
  bool locked_ = false;
  bool blanked_ = false;
  bool needInput_ = false;     // a saver ended or the desktop took over while idle: wait for input first
};

}  // namespace velmo
