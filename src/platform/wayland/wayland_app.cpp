#include "platform/wayland/wayland_app.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>

#include "platform/posix/wake_fd.h"
#include "platform/sdl/sdl_message_box.h"
#include "platform/termination.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_window.h"

namespace velmo {
namespace {

using Clock = std::chrono::steady_clock;

// A focus taken and given back within a frame of the scene is not a loss
// (as on X11).
constexpr auto kActivationGrace = std::chrono::milliseconds(60);
// While every window waits for the compositor (hidden or switched-off
// outputs), the loop still looks up this often.
constexpr auto kHiddenLook = std::chrono::milliseconds(250);

class WaylandApplication : public IApplication {
 public:
  explicit WaylandApplication(WaylandConnection& connection)
      : connection_(connection) {
    SetTerminationHandler([this] {
      // A box shows only once everything it could leave behind has stopped.
      if (boxOpen_) _exit(0);
      quit_ = true;
      wake_.Raise();
    });
  }
  ~WaylandApplication() override { SetTerminationHandler(nullptr); }

  std::unique_ptr<IWindow> CreateWindow(const std::string& caption) override {
    return std::make_unique<WaylandWindow>(connection_, caption, std::nullopt);
  }

  std::unique_ptr<IWindow> CreateWindowOver(const std::string& caption, const Rect& area) override {
    return std::make_unique<WaylandWindow>(connection_, caption, area);
  }

  void SetIdleHandler(IdleHandler handler) override { idle_ = std::move(handler); }

  // One turn: the compositor's events and posted work, the focus rule, key
  // repeats, then the idle handler when something may have changed (an
  // event, a wake, the handler asking for more) and a frame is due; then a
  // wait in poll for the compositor, posted work, a wake or the next due time.
  void Run(IWindow& mainWindow) override {
    while (!mainWindow.IsClosed()) {
      const int events = Pump(0);
      if (events < 0 || mainWindow.IsClosed()) break;
      dispatched_ = dispatched_ || events > 0;
      connection_.RunRepeats();
      if (mainWindow.IsClosed()) break;
      ReportLostActivation();
      if (mainWindow.IsClosed()) break;
      const Clock::time_point now = Clock::now();
      if (idle_ && Pending(now) && FrameDue(now)) {
        dispatched_ = false;
        wakeRequested_ = false;
        wakeAt_ = {};
        lastTurn_ = now;
        for (WaylandWindow* w : connection_.Windows()) w->TakeFrameAsked();
        bool done = true;
        idle_(done);
        idleWantsMore_ = !done;
        continue;
      }
      const int waited = Pump(WaitMs(Clock::now()));
      if (waited < 0) break;
      dispatched_ = dispatched_ || waited > 0;
    }
  }

  void Wake() override {
    wakeRequested_ = true;
    wake_.Raise();
  }

  void WakeWithin(int milliseconds) override {
    const Clock::time_point at = Clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    if (wakeAt_ == Clock::time_point{} || at < wakeAt_) wakeAt_ = at;
  }

  void ProcessMessages() override { Pump(0); }

  void Post(std::function<void()> work) override {
    {
      std::lock_guard<std::mutex> lock(postedLock_);
      posted_.push_back(std::move(work));
    }
    wake_.Raise();
  }

  int ShowCursor(bool show) override {
    cursorCount_ += show ? 1 : -1;
    connection_.SetCursorHidden(cursorCount_ < 0);
    return cursorCount_;
  }

  int MessageBox(IWindow*, const std::string& text, const std::string& caption, uint32_t flags) override {
    return Box(text, caption, (flags & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION);
  }

  void ShowException(const std::string& text) override { Box(text, title_, SDL_MESSAGEBOX_ERROR); }

  bool RunFailed() const override { return failed_; }

  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }

 private:
  // Dispatches the compositor's events (waiting up to timeoutMs), then the
  // posted work and a termination request. -1 once the compositor is gone:
  // every window is closed then, which ends the loop.
  int Pump(int timeoutMs) {
    const int events = connection_.Dispatch(timeoutMs, wake_.Fd());
    wake_.Clear();
    RunPosted();
    if (quit_.exchange(false)) CloseAll();
    if (events < 0) {
      if (!lost_) {
        bool protocolError = false;
        const std::string why = connection_.WhyBroken(protocolError);
        std::fprintf(stderr, "velmo: %s\n", why.c_str());
        failed_ = protocolError;
      }
      lost_ = true;
      CloseAll();
    }
    return events;
  }

  void RunPosted() {
    for (;;) {
      std::function<void()> work;
      {
        std::lock_guard<std::mutex> lock(postedLock_);
        if (posted_.empty()) return;
        work = std::move(posted_.front());
        posted_.pop_front();
      }
      work();
    }
  }

  // Calls f on each window that is still there when its turn comes: a
  // handler may close or make windows, so the walk is over a copy.
  template <typename F>
  void ForEachWindowStill(F f) {
    const std::vector<WaylandWindow*> windows = connection_.Windows();
    for (WaylandWindow* w : windows) {
      const auto& now = connection_.Windows();
      if (std::find(now.begin(), now.end(), w) != now.end()) f(w);
    }
  }

  void CloseAll() {
    ForEachWindowStill([](WaylandWindow* w) {
      if (w->IsClosed()) return;
      if (w->Events().onClose) w->Events().onClose();
      else w->Close();
    });
  }

  // Something may have changed on the screen since the last turn.
  bool Pending(Clock::time_point now) const {
    return dispatched_ || idleWantsMore_ || wakeRequested_ ||
           (wakeAt_ != Clock::time_point{} && now >= wakeAt_);
  }

  // A frame is due when the compositor asked one of the windows for one;
  // when no window waits for it (nothing changed there last turn), one
  // refresh after the last turn; when all wait (hidden outputs), rarely.
  bool FrameDue(Clock::time_point now) const {
    if (lastTurn_ == Clock::time_point{}) return true;
    for (WaylandWindow* w : connection_.Windows())
      if (w->Shown() && w->FrameAsked()) return true;
    return now >= NextDue();
  }

  Clock::time_point NextDue() const {
    return lastTurn_ + (AllWait() ? Clock::duration(kHiddenLook) : Period());
  }

  bool AllWait() const {
    bool any = false, all = true;
    for (WaylandWindow* w : connection_.Windows()) {
      if (!w->Shown()) continue;
      any = true;
      all = all && w->AwaitingFrame();
    }
    return any && all;
  }

  Clock::duration Period() const {
    return std::chrono::microseconds(1000000000LL / std::max(connection_.FastestRefreshMhz(), 1000));
  }

  int WaitMs(Clock::time_point now) const {
    Clock::time_point until = now + std::chrono::milliseconds(100);
    if (idle_ && Pending(now)) until = std::min(until, NextDue());
    else if (wakeAt_ != Clock::time_point{}) until = std::min(until, wakeAt_);
    Clock::time_point repeat;
    if (connection_.NextRepeat(repeat)) until = std::min(until, repeat);
    if (lostSince_ != Clock::time_point{}) until = std::min(until, lostSince_ + kActivationGrace);
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, 100));
  }

  void ReportLostActivation() {
    if (connection_.Input().FocusIsOurs()) {
      lostSince_ = {};
      reported_ = false;
      return;
    }
    const Clock::time_point now = Clock::now();
    if (lostSince_ == Clock::time_point{}) lostSince_ = now;
    if (reported_ || now - lostSince_ < kActivationGrace) return;
    reported_ = true;
    ForEachWindowStill([](WaylandWindow* w) {
      if (w->Shown() && w->Events().onDeactivate) w->Events().onDeactivate();
    });
  }

  int Box(const std::string& text, const std::string& caption, uint32_t kind) {
    // Also on the terminal: the box may not be seen over full-screen surfaces.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    ShowSdlMessageBox(kind, caption.c_str(), text.c_str(), nullptr, boxOpen_);
    return IDOK;
  }

  WaylandConnection& connection_;
  WakeFd wake_;
  std::atomic<bool> quit_{false};
  std::atomic<bool> boxOpen_{false};
  std::mutex postedLock_;
  std::deque<std::function<void()>> posted_;
  IdleHandler idle_;
  bool idleWantsMore_ = true;
  bool dispatched_ = false;  // since the idle handler last ran
  std::atomic<bool> wakeRequested_{false};
  Clock::time_point wakeAt_{};
  Clock::time_point lastTurn_{};
  Clock::time_point lostSince_{};
  bool reported_ = false;
  bool lost_ = false;
  bool failed_ = false;  // the connection broke on a protocol error: a fault of ours
  int cursorCount_ = 0;
  std::string title_ = "velmo";
};

}  // namespace

std::unique_ptr<WaylandConnection> OpenWaylandConnection() { return WaylandConnection::Open(); }

std::unique_ptr<IApplication> MakeWaylandApplication(WaylandConnection& connection) {
  return std::make_unique<WaylandApplication>(connection);
}

}  // namespace velmo
