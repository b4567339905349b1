#include "app/idle_watch.h"

namespace velmo {

TIdleWatch::TIdleWatch(IIdleActions& actions, uint32_t delayMs) : actions_(actions), delayMs_(delayMs) {}

void TIdleWatch::Start() { actions_.ArmSource(delayMs_); }

bool TIdleWatch::MayStart() const {
  return idle_ && !saverRunning_ && !inhibited_ && !locked_ && !blanked_ && !needInput_;
}

void TIdleWatch::StartIfIdle() {
  if (!MayStart()) return;
  actions_.SetTimer(0);
  saverRunning_ = true;
  actions_.StartSaver();
}

void TIdleWatch::OnEvent(IdleEvent event) {
  switch (event) {
    case IdleEvent::kIdle: OnIdle(); break;
    case IdleEvent::kActive: OnActive(); break;
    case IdleEvent::kBlanked: OnBlanked(true); break;
    case IdleEvent::kUnblanked: OnBlanked(false); break;
  }
}

void TIdleWatch::OnIdle() {
  idle_ = true;
  StartIfIdle();
}

void TIdleWatch::OnActive() {
  idle_ = false;
  needInput_ = false;
  actions_.SetTimer(0);
}

void TIdleWatch::OnSaverEnded() {
  saverRunning_ = false;
  // The input that ended it may reach the source after the saver's end:
  // until it does, the session still counts as idle, and starting again now
  // would bring the saver straight back.
  if (idle_) needInput_ = true;
}

void TIdleWatch::OnInhibited(bool inhibited) {
  if (inhibited == inhibited_) return;
  inhibited_ = inhibited;
  if (inhibited) {
    actions_.SetTimer(0);
    return;
  }
  // The source may have said idle while the inhibition held it off; it will
  // not say so again before new input, so the delay is counted from here.
  if (idle_ && !saverRunning_ && !needInput_) actions_.SetTimer(delayMs_);
}

void TIdleWatch::HeldByDesktop() {
  actions_.SetTimer(0);
  if (saverRunning_) actions_.StopSaver();
  if (idle_) needInput_ = true;
}

void TIdleWatch::OnLocked(bool locked) {
  if (locked == locked_) return;
  locked_ = locked;
  if (locked) HeldByDesktop();
}

void TIdleWatch::OnBlanked(bool blanked) {
  if (blanked == blanked_) return;
  blanked_ = blanked;
  if (blanked) HeldByDesktop();
}

void TIdleWatch::OnTimer() { StartIfIdle(); }

void TIdleWatch::SetDelay(uint32_t delayMs) {
  if (delayMs == delayMs_) return;
  delayMs_ = delayMs;
  // A new arm counts the new delay from the last input; the source says
  // idle again when it is reached.
  idle_ = false;
  needInput_ = false;
  actions_.SetTimer(0);
  actions_.ArmSource(delayMs_);
}

}  // namespace velmo
