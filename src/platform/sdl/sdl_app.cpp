#include "platform/sdl/sdl_app.h"

#include <SDL.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/wake_fd.h"
#include "platform/sdl/frame_pacer.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_message_box.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/sdl/sdl_video.h"
#include "platform/sdl/sdl_window.h"
#include "platform/termination.h"
#include "platform/x11/x11_handles.h"
#include "platform/x11/x11_host.h"
#include "platform/x11/x11_input.h"
#include "platform/x11/x11_wait.h"

namespace velmo {
namespace {

// The application loop over SDL's event queue: windows, input, posted work,
// message boxes, the termination signals, and adopting a daemon's window.
class SdlApplication : public IApplication {
 public:
  SdlApplication() {
    video_ = StartSdlVideo();
    postedEvent_ = SDL_RegisterEvents(2);
    wakeEvent_ = postedEvent_ + 1;
    SetTerminationHandler([this] {
      // A box shows only once everything it could leave behind has stopped,
      // and its own loop reads no quit event: nothing is left but to end.
      if (boxOpen_) _exit(0);
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
      wake_.Raise();
    });
  }
  ~SdlApplication() override {
    SetTerminationHandler(nullptr);
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
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0) {
      std::fprintf(stderr, "velmo: a window given by id needs the X11 video driver, not %s\n",
                   driver ? driver : "none");
      return nullptr;
    }
    if (nativeWindow == 0) nativeWindow = ScreenRootWindow();
    if (nativeWindow == 0 || !X11WindowExists(nativeWindow)) {
      std::fprintf(stderr, "velmo: the window 0x%llx does not exist\n", static_cast<unsigned long long>(nativeWindow));
      return nullptr;
    }
    SDL_Window* w = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<uintptr_t>(nativeWindow)));
    if (!w) {
      std::fprintf(stderr, "velmo: cannot draw into the window 0x%llx: %s\n",
                   static_cast<unsigned long long>(nativeWindow), SDL_GetError());
      return nullptr;
    }
    WatchHostWindow(nativeWindow);
    // SDL listens to no event of a window it did not make; these reach it
    // over its own connection and come back as window events.
    if (X11Handles x11; X11HandlesOf(w, x11)) {
      ListenToHostWindow(x11.display, nativeWindow);
      hostDisplay_ = x11.display;
    }
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
          if (w->Hosted()) CloseRequested(w);
        if (mainWindow.IsClosed()) break;
      }
      while (!mainWindow.IsClosed() && SDL_PollEvent(&event)) {
        Dispatch(event);
        pending = true;
      }
      if (mainWindow.IsClosed()) break;
      const uint64_t now = SDL_GetTicks64();
      for (SdlWindow* w : windows_) w->KeepCovering(now);
      ReportLostActivation();
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
        WaitHosted(timeout);
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

  int Box(IWindow* owner, const std::string& text, const std::string& caption, uint32_t kind) {
    // The message also goes to the terminal: a box may not be seen on a
    // display that has no window manager, and there may be no display at all.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    // SDL's offscreen driver, where no display could be opened, is no
    // display: nobody would see a box there.
    if (hosted_ || !video_ || !SdlVideoIsADisplay()) return IDOK;
    // On the primary monitor, centred, in front: over the first of our
    // windows that shows (the primary monitor's scene is made first), else
    // on SDL's first display, the primary monitor. The owner may be a scene
    // on another monitor: it only says that a window of ours is up.
    (void)owner;
    SDL_Window* parent = nullptr;
    for (SdlWindow* w : windows_) {
      auto* sdl = static_cast<SDL_Window*>(w->NativeHandle());
      if (w->IsClosed() || !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN)) continue;
      parent = sdl;
      break;
    }
    ShowSdlMessageBox(kind, caption.c_str(), text.c_str(), parent, boxOpen_);
    return IDOK;
  }

  void ReportLostActivation() {
    const uint64_t now = SDL_GetTicks64();
    bool ourFocus = false;
    for (SdlWindow* w : windows_)
      ourFocus = ourFocus || (!w->IsClosed() && (SDL_GetWindowFlags(static_cast<SDL_Window*>(w->NativeHandle())) &
                                                 SDL_WINDOW_INPUT_FOCUS));
    // SDL takes a focus the window system gave some time later (after a
    // mode change, about 200 ms): meanwhile the window system is asked, a
    // few times a frame's grace at most. A focus that only follows the
    // pointer (no window manager) is none, as SDL has it.
    if (!ourFocus && !windows_.empty() && !hosted_) {
      if (now - focusAskedAt_ >= SdlWindow::kActivationGraceMs / 2) {
        focusAskedAt_ = now;
        systemFocus_ = windows_.front()->OursHaveFocus(false);
      }
      ourFocus = systemFocus_;
    }
    for (SdlWindow* w : windows_) {
      if (w->LostActivation(now, ourFocus) && w->Events().onDeactivate) w->Events().onDeactivate();
    }
  }

  SdlWindow* WindowOf(uint32_t id) {
    for (SdlWindow* w : windows_)
      if (w->Id() == id) return w;
    return nullptr;
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

  // The wait of a loop in a daemon's window, for up to timeoutMs: until
  // SDL's X connection has input, another thread (or the termination
  // watcher) raises the wake descriptor, or the time passes. SDL's own wait
  // cannot be used there: SDL ends it for another thread's event by sending
  // an X event to its first shown window, here the daemon's; once that
  // window is gone the error stays pending on SDL's connection until SDL
  // closes it with Xlib's own handler back, which prints it and exits with 1.
  // Work already there is done first, without waiting: events in SDL's
  // queue, events Xlib read during a round trip since the last pump (the
  // present waits for one), an error saying the window may have gone.
  void WaitHosted(int timeoutMs) {
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
    if (hostDisplay_ && X11EventsQueued(hostDisplay_)) return;
    if (HostWindowGone()) return;
    WaitForX11Input(hostDisplay_, wake_.Fd(), timeoutMs);
    wake_.Clear();
  }

  // The window a key or text event is for. SDL sends keys without a window
  // (id 0) while it has not taken the focus the window system already gave
  // (after a mode change for about 200 ms; without a window manager
  // always), and may name a window that is gone: they all reached one of
  // ours, so the main window takes them.
  SdlWindow* KeyWindowOf(uint32_t id) {
    SdlWindow* w = WindowOf(id);
    if (w && !w->IsClosed()) return w;
    if (mainWindow_ && !mainWindow_->Hosted() && !mainWindow_->IsClosed()) return mainWindow_;
    return w;
  }

  // Where the pointer is on the desktop, asked of the X server (a round
  // trip; motion is rare while the saver runs, its first real one ends it):
  // a window the layout moved under a still pointer gives the same place,
  // where the event's window coordinates, or SDL's idea of where the window
  // is, would jump. Elsewhere: the event's place on the window's.
  static void DesktopPlace(SdlWindow& w, const SDL_MouseMotionEvent& motion, int& x, int& y) {
    auto* window = static_cast<SDL_Window*>(w.NativeHandle());
    X11Handles x11;
    if (X11HandlesOf(window, x11) && PointerOnDesktop(x11.display, x, y)) return;
    SDL_GetWindowPosition(window, &x, &y);
    x += motion.x;
    y += motion.y;
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
    switch (event.type) {
      case SDL_KEYDOWN: {
        SdlWindow* w = KeyWindowOf(event.key.windowID);
        if (!w) return;
        if (w->Events().onKeyDown) w->Events().onKeyDown(VirtualKeyOf(event.key.keysym.sym), ShiftStateOf(event.key.keysym.mod));
        const char c = ControlCharOf(event.key.keysym.sym);
        if (c && !w->IsClosed() && w->Events().onKeyPress) w->Events().onKeyPress(c);
        break;
      }
      case SDL_TEXTINPUT: {
        SdlWindow* w = KeyWindowOf(event.text.windowID);
        if (!w || !w->Events().onKeyPress) return;
        for (const char* p = event.text.text; *p && !w->IsClosed(); ++p) w->Events().onKeyPress(*p);
        break;
      }
      case SDL_MOUSEMOTION: {
        SdlWindow* w = WindowOf(event.motion.windowID);
        if (!w || !w->Events().onMouseMove) break;
        int x = 0, y = 0;
        DesktopPlace(*w, event.motion, x, y);
        w->Events().onMouseMove(0, x, y);
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEWHEEL: {
        SdlWindow* w = WindowOf(event.type == SDL_MOUSEWHEEL ? event.wheel.windowID : event.button.windowID);
        if (w && !w->IsClosed() && w->Events().onMouseDown) w->Events().onMouseDown();
        break;
      }
      case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) CloseRequested(WindowOf(event.window.windowID));
        // A focus that came and went between two looks at the flags still counts as had.
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
          if (SdlWindow* w = WindowOf(event.window.windowID)) w->NoteFocusGained();
        if (event.window.event == SDL_WINDOWEVENT_MOVED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
          if (SdlWindow* w = WindowOf(event.window.windowID)) w->NoteMoved();
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          SdlWindow* w = WindowOf(event.window.windowID);
          if (w && !w->IsClosed() && w->Events().onResize) w->Events().onResize();
        }
        break;
      case SDL_QUIT:
        for (SdlWindow* w : windows_) CloseRequested(w);
        break;
      default:
        break;
    }
  }

  void CloseRequested(SdlWindow* w) {
    if (!w || w->IsClosed()) return;
    if (w->Events().onClose) w->Events().onClose();
    else w->Close();
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
  uint64_t focusAskedAt_ = 0;
  bool systemFocus_ = false;
};

}  // namespace

std::unique_ptr<IApplication> MakeSdlApplication() { return std::make_unique<SdlApplication>(); }

}  // namespace velmo
