// The scene's ending: input that asks to end (and the password, where the
// system has one), the end itself in order, an error's box, and the scene
// of a monitor that went away.
#include <memory>
#include <string>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/ddmain.h"
#include "components/ddtimer.h"
#include "scene/form1.h"
#include "scene/password_check.h"

namespace velmo {

void TForm1::TryEndSaver() {
  // An attempt after the end finds the display closed; it is ignored rather
  // than reported as a display error.
  if (FEnding || FEnded) return;
  FEnding = true;
  if (!FFlipParity) DDmain1->FlipSurfaces();
  if (IsPrimary()) platform_.app.ShowCursor(true);
  if (VerifyPassword(window_.get())) {
    EndSaver();
  } else {
    if (!Ticking()) SetTicking(true);
    if (IsPrimary()) platform_.app.ShowCursor(false);
  }
  FEnding = false;
}

bool TForm1::VerifyPassword(IWindow*) { return SaverPasswordAccepted(platform_); }

void TForm1::EndSaver() {
  StopAll();
  window_->Close();
  ReportEnded();
}

void TForm1::Retire() {
  endedReported_ = true;
  if (!FEnded) StopAll();
  window_->Close();
}

void TForm1::ReportEnded() {
  if (endedReported_) return;
  endedReported_ = true;
  if (OnEnded) OnEnded();
}

void TForm1::StopAll() {
  StopComponents();
  keys_.Flush();  // what the keys changed is on disk before anything can end the process
  if (!IsPrimary()) return;  // the surf and the saver flag are the primary scene's
  platform_.sound.Stop();
  // Inside a daemon's window the daemon is the screen saver and owns the flag.
  if (!FHosted) platform_.system.SetScreenSaverRunning(false);
}

void TForm1::FreeSprite(auto*& sprite) {
  if (!sprite) return;
  auto* doomed = sprite;
  sprite = nullptr;  // cleared first: a handler running inside the free sees it gone
  FreeChild(doomed);
}

void TForm1::StopComponents() {
  FRunning = false;
  FEnded = true;
  SetTicking(false);
  FreeSprite(DDbmp1ground);
  FreeSprite(DDani1sea);
  FreeSprite(DDbmp1stone);
  FreeSprite(DDani1bird);
  FreeSprite(DDani1birds_small);
  DDmain1->SetEnabled(false);
}

void TForm1::DDmain1Error(Component*) {
  ShowErrorAndEnd(DDmain1->GetErrorResult());
}

void TForm1::DDani1birdError(Component*) {
  ShowErrorAndEnd(DDani1bird ? DDani1bird->GetErrorResult() : std::string());
}

void TForm1::ShowErrorAndEnd(const std::string& text) {
  // Everything stops before the box: it then shows over the desktop rather
  // than under the full-screen window, with no sound looping and the
  // desktop's blanker free while it waits for the user.
  StopAll();
  FFailed = true;
  if (BeforeBox) BeforeBox();
  platform_.app.MessageBox(window_.get(), text, "ERROR", MB_OK);
  window_->Close();
  ReportEnded();
}

void TForm1::DDtimer1ZasTime(Component*) {
  // Runs on the timer's thread: the end itself belongs to the loop's thread.
  std::weak_ptr<bool> alive = alive_;
  platform_.app.Post([this, alive] {
    if (auto a = alive.lock(); a && *a) EndSaver();
  });
}

}  // namespace velmo
