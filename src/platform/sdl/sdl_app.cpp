#include "platform/sdl/sdl_app.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/posix/wake_fd.h"
#include "platform/sdl/frame_pacer.h"
#include "platform/sdl/sdl_focus_rule.h"
#include "platform/sdl/sdl_hosted_wait.h"
#include "platform/sdl/sdl_key_routing.h"
#include "platform/sdl/sdl_message_box.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/sdl/sdl_termination.h"
#include "platform/sdl/sdl_video.h"
#include "platform/sdl/sdl_window.h"
#include "platform/x11/x11_host.h"

namespace velmo {
namespace {

// The application loop over SDL's event queue: windows, posted work, wakes
// and the pace of frames. Input goes to the windows through
// sdl_key_routing, the focus rule is sdl_focus_rule, a daemon's window
// sdl_hosted_wait, boxes sdl_message_box, signals sdl_termination.
class SdlApplication : public IApplication {
 public:
  SdlApplication() {
    video_ = StartSdlVideo();
    postedEvent_ = SDL_RegisterEvents(2);
    wakeEvent_ = postedEvent_ + 1;
    TakeTerminationForSdlLoop(wake_, boxOpen_);
  }
  ~SdlApplication() override {
    StopTakingTermination();
    // Work posted but never run still owns its closure.
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, postedEvent_, postedEvent_) == 1)
      delete static_cast<std::function<void()>*>(event.user.data1);
    if (video_) StopSdlVideo();
  }

  std::unique_ptr<IWindow> CreateWindow(const std::string& caption) override {
    return MakeWindow(caption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480);
  }

  std::unique_ptr<IWindow> CreateWindowOver(const std::string& caption, const Rect& area) override {
    // Made where it goes: window managers put a full-screen window on the
    // monitor that holds it.
    auto window = MakeWindow(caption, area.left, area.top, std::max(area.right - area.left, 1),
                             std::max(area.bottom - area.top, 1));
    if (window) window->SetCoverArea(area);
    return window;
  }

  std::unique_ptr<IWindow> CreateResizableWindow(const std::string& caption, int width, int height) override {
    // The display shows into it as into a daemon's window: at its size,
    // whatever the window manager makes of it.
    return MakeWindow(caption, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                      SDL_WINDOW_RESIZABLE);
  }

  std::unique_ptr<IWindow> CreateHostedWindow(uint64_t nativeWindow) override {
    hosted_ = true;  // also when the window cannot be used: nobody could answer a box
    if (!video_) return nullptr;
    SDL_Window* w = AdoptHostWindow(nativeWindow, &hostDisplay_);
    if (!w) return nullptr;
    auto window = std::make_unique<SdlWindow>(w, windows_, true);
    window->SetHostId(nativeWindow);
    return window;
  }

  void SetIdleHandler(IdleHandler handler) override { idle_ = std::move(handler); }

  void Run(IWindow& mainWindow) override {
    if (!video_) return;
    mainWindow_ = nullptr;
    for (SdlWindow* w : windows_)
      if (static_cast<IWindow*>(w) == &mainWindow) mainWindow_ = w;
    SDL_Event event;
    bool pending = false;  // something may have changed since the idle handler last ran
    std::chrono::steady_clock::time_point frameAt{};  // the refresh the next turn waits for
    while (!mainWindow.IsClosed()) {
      // The daemon took its window away: end as if asked to close.
      if (hosted_ && HostWindowGone()) {
        for (SdlWindow* w : windows_)
          if (w->Hosted()) SdlCloseRequested(w);
        if (mainWindow.IsClosed()) break;
      }
      while (!mainWindow.IsClosed() && SDL_PollEvent(&event)) {
        Dispatch(event);
        pending = true;
      }
      if (mainWindow.IsClosed()) break;
      const uint64_t now = SDL_GetTicks64();
      for (SdlWindow* w : windows_) w->KeepCovering(now);
      focusRule_.Check(windows_, hosted_);
      if (mainWindow.IsClosed()) break;
      pending = pending || idleWantsMore_ || WakeDue();
      // Waits count whole milliseconds: a turn less than one early is due.
      const auto soon = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
      if (idle_ && pending && soon >= frameAt) {
        pending = false;
        bool done = true;
        idle_(done);
        idleWantsMore_ = !done;
        // However many windows presented in this turn, one refresh before the next.
        frameAt = NextFrameTime();
        continue;
      }
      // Nothing to draw until an event, a wake or the wake asked for; a
      // turn that is due waits for the refresh, events still taken meanwhile.
      const int timeout = idle_ && pending ? MillisecondsUntil(frameAt) : UntilWake(100);
      if (hosted_) {
        if (WaitHosted(hostDisplay_, wake_.Fd(), timeout)) wake_.Clear();
        if (SDL_PollEvent(&event)) {
          Dispatch(event);
          pending = true;
        }
      } else if (SDL_WaitEventTimeout(&event, timeout)) {
        Dispatch(event);
        pending = true;
      }
    }
    mainWindow_ = nullptr;
  }

  void Wake() override {
    // One wake in the queue is enough; the loop's next turn sees every change.
    if (wakePending_.exchange(true)) return;
    SDL_Event event{};
    event.type = wakeEvent_;
    if (SDL_PushEvent(&event) != 1) wakePending_ = false;
    wake_.Raise();
  }

  void WakeWithin(int milliseconds) override {
    const uint64_t at = SDL_GetTicks64() + static_cast<uint64_t>(std::max(milliseconds, 0));
    if (wakeAt_ == 0 || at < wakeAt_) wakeAt_ = at;
  }

  void ProcessMessages() override {
    if (!video_) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) Dispatch(event);
  }

  void Post(std::function<void()> work) override {
    SDL_Event event{};
    event.type = postedEvent_;
    event.user.data1 = new std::function<void()>(std::move(work));
    if (SDL_PushEvent(&event) != 1) delete static_cast<std::function<void()>*>(event.user.data1);
    wake_.Raise();
  }

  int ShowCursor(bool show) override {
    cursorCount_ += show ? 1 : -1;
    if (video_) SDL_ShowCursor(cursorCount_ >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursorCount_;
  }

  int MessageBox(IWindow* owner, const std::string& text, const std::string& caption, uint32_t flags) override {
    return Box(owner, text, caption, (flags & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION);
  }

  void ShowException(const std::string& text) override { Box(nullptr, text, title_, SDL_MESSAGEBOX_ERROR); }

  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }

 private:
  // A hidden window of ours; kind: borderless (the saver's) or resizable.
  std::unique_ptr<SdlWindow> MakeWindow(const std::string& caption, int x, int y, int w, int h,
                                        uint32_t kind = SDL_WINDOW_BORDERLESS) {
    if (!video_) return nullptr;
    const uint32_t flags = SDL_WINDOW_HIDDEN | kind;
    SDL_Window* made = SDL_CreateWindow(caption.c_str(), x, y, w, h,
                                        flags | (SdlPresenter::RendererWanted() ? SDL_WINDOW_OPENGL : 0));
    // Without a working GL the window is made plain, for the framebuffer.
    if (!made && SdlPresenter::RendererWanted()) made = SDL_CreateWindow(caption.c_str(), x, y, w, h, flags);
    if (!made) {
      std::fprintf(stderr, "velmo: cannot create a window: %s\n", SDL_GetError());
      return nullptr;
    }
    return std::make_unique<SdlWindow>(made, windows_);
  }

  // The owner may be a scene on another monitor: it only says that a window
  // of ours is up; the box goes over the primary's.
  int Box(IWindow*, const std::string& text, const std::string& caption, uint32_t kind) {
    // The message also goes to the terminal: a box may not be seen on a
    // display that has no window manager, and there may be no display at all.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    // SDL's offscreen driver, where no display could be opened, is no
    // display: nobody would see a box there.
    if (hosted_ || !video_ || !SdlVideoIsADisplay()) return IDOK;
    ShowSdlMessageBoxOver(windows_, kind, caption.c_str(), text.c_str(), boxOpen_);
    return IDOK;
  }

  // Whether the wake asked for by WakeWithin is due; a due wake is used up.
  bool WakeDue() {
    if (wakeAt_ == 0 || SDL_GetTicks64() < wakeAt_) return false;
    wakeAt_ = 0;
    return true;
  }

  // Milliseconds to wait for events until a time, rounded up (0 once past).
  static int MillisecondsUntil(std::chrono::steady_clock::time_point at) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(at - std::chrono::steady_clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1000));
  }

  // Milliseconds to wait for events: at most limit, and not past the wake asked for.
  int UntilWake(int limit) const {
    if (wakeAt_ == 0) return limit;
    const uint64_t now = SDL_GetTicks64();
    return wakeAt_ <= now ? 0 : static_cast<int>(std::min<uint64_t>(wakeAt_ - now, static_cast<uint64_t>(limit)));
  }

  void Dispatch(const SDL_Event& event) {
    if (event.type == wakeEvent_) {
      wakePending_ = false;  // the idle handler runs at this turn
      return;
    }
    if (event.type == postedEvent_) {
      auto* work = static_cast<std::function<void()>*>(event.user.data1);
      (*work)();
      delete work;
      return;
    }
    if (RouteSdlInput(event, windows_, mainWindow_)) return;
    if (event.type == SDL_QUIT)
      for (SdlWindow* w : windows_) SdlCloseRequested(w);
  }

  bool video_ = false;
  bool hosted_ = false;
  void* hostDisplay_ = nullptr;  // SDL's Xlib connection, once a daemon's window is adopted
  // Raised with every event another thread pushes, so the hosted wait sees it.
  WakeFd wake_;
  std::atomic<bool> boxOpen_{false};
  uint32_t postedEvent_ = 0;
  uint32_t wakeEvent_ = 0;
  std::atomic<bool> wakePending_{false};
  uint64_t wakeAt_ = 0;  // SDL ticks of the wake asked for; 0: none
  IdleHandler idle_;
  bool idleWantsMore_ = true;
  int cursorCount_ = 0;
  std::string title_ = "velmo";
  std::vector<SdlWindow*> windows_;
  SdlWindow* mainWindow_ = nullptr;  // while Run runs
  SdlFocusRule focusRule_;
};

}  // namespace

std::unique_ptr<IApplication> MakeSdlApplication() { return std::make_unique<SdlApplication>(); }

}  // namespace velmo
