#include "platform/sdl/sdl_app.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sdl/frame_pacer.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/termination.h"
#include "platform/wayland/wayland_probe.h"
#include "platform/x11/x11_host.h"

namespace velmo {
namespace {

// Keys whose virtual-key code differs from the SDL keycode's upper-case form.
int VirtualKeyOf(SDL_Keycode key) {
  switch (key) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_INSERT: return 0x2D;
    case SDLK_KP_PLUS: return 0x6B;
    case SDLK_KP_MINUS: return 0x6D;
    case SDLK_PLUS: case SDLK_EQUALS: return 0xBB;
    case SDLK_MINUS: return 0xBD;
    default: break;
  }
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return key;
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  return static_cast<int>(key & 0xFF) | 0x100;  // some key: any code the scene ignores
}

// Keys that type a control character but no SDL text event.
char ControlCharOf(SDL_Keycode key) {
  switch (key) {
    case SDLK_ESCAPE: return 27;
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN: case SDLK_KP_ENTER: return 13;
    default: return 0;
  }
}

uint32_t ShiftStateOf(uint16_t mod) {
  uint32_t shift = 0;
  if (mod & KMOD_SHIFT) shift |= 1;
  if (mod & KMOD_ALT) shift |= 2;
  if (mod & KMOD_CTRL) shift |= 4;
  return shift;
}

class SdlWindow : public IWindow {
 public:
  SdlWindow(SDL_Window* window, std::vector<SdlWindow*>& registry, bool hosted = false)
      : window_(window), registry_(registry), hosted_(hosted) {
    registry_.push_back(this);
  }
  ~SdlWindow() override {
    std::erase(registry_, this);
    if (window_) SDL_DestroyWindow(window_);
  }
  void SetEvents(WindowEvents events) override { events_ = std::move(events); }
  void SetCaption(const std::string& caption) override { SDL_SetWindowTitle(window_, caption.c_str()); }
  void Show() override {
    if (hosted_) return;  // the daemon shows its window and keeps it on top
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    shown_ = true;
  }
  void Close() override {
    if (closed_) return;
    closed_ = true;
    if (hosted_) return;
    // The saver's window on a monitor that went away: its focus goes to
    // another of ours, not to nobody (which would read as a lost activation).
    const bool focused = SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS;
    SDL_HideWindow(window_);
    if (!focused) return;
    for (SdlWindow* w : registry_) {
      if (w == this || w->closed_ || w->hosted_ || !w->shown_) continue;
      SDL_SetWindowInputFocus(w->window_);
      break;
    }
  }
  bool IsClosed() const override { return closed_; }
  void* NativeHandle() const override { return window_; }
  bool GetClientSize(int& width, int& height) const override {
    SDL_GetWindowSize(window_, &width, &height);
    return width > 0 && height > 0;
  }
  bool GetDesktopArea(Rect& area) const override {
    if (hosted_) return HostWindowArea(static_cast<uint64_t>(hostId_), area);
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    area = Rect{x, y, x + w, y + h};
    return true;
  }
  void SetHostId(uint64_t id) { hostId_ = id; }
  bool GetCoverArea(Rect& area) const override {
    if (!covers_) return false;
    area = area_;
    return true;
  }
  void SetCoverArea(const Rect& area) override {
    covers_ = true;
    area_ = area;
  }

  uint32_t Id() const { return SDL_GetWindowID(window_); }
  bool Hosted() const { return hosted_; }
  const WindowEvents& Events() const { return events_; }

  // True once the window, after it was shown and active, has been hidden,
  // minimised, or without the focus for kActivationGraceMs; reported once
  // per loss. Read from SDL's window flags, which are current after a pump,
  // so events that are stale by then (a hide and show of a mode change)
  // count for nothing.
  // ourFocus: one of the program's windows has the focus (the saver's
  // windows on other monitors count as its own).
  bool LostActivation(uint64_t nowMs, bool ourFocus) {
    if (hosted_ || closed_ || !shown_) return false;
    const uint32_t flags = SDL_GetWindowFlags(window_);
    bool lost = false;
    if (flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) {
      lost = true;
    } else if (ourFocus) {
      hadFocus_ = true;
      unfocusedSince_ = 0;
      reported_ = false;
    } else if (hadFocus_) {
      if (unfocusedSince_ == 0) unfocusedSince_ = nowMs;
      lost = nowMs - unfocusedSince_ >= kActivationGraceMs;
    }
    if (!lost || reported_) return false;
    reported_ = true;
    return true;
  }
  void NoteFocusGained() { hadFocus_ = true; }

  // A notification that takes the focus and gives it back within a frame of
  // the scene is not a loss.
  static constexpr uint64_t kActivationGraceMs = 60;

 private:
  SDL_Window* window_;
  std::vector<SdlWindow*>& registry_;
  WindowEvents events_;
  bool hosted_;
  bool closed_ = false;
  bool shown_ = false;
  bool hadFocus_ = false;
  bool reported_ = false;
  uint64_t unfocusedSince_ = 0;
  bool covers_ = false;
  Rect area_{};
  uint64_t hostId_ = 0;
};

// SDL chose a driver that shows nothing, on its own: nobody asked for it by name.
bool OnlyInvisibleVideo() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) return true;
  if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return false;
  const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  return requested == nullptr || *requested == '\0';
}

// Why no display could be used: the Wayland compositor's part when one is
// named, then X11's.
std::string WhyNoVideo(WaylandCompositor wayland, bool sdlFailed) {
  std::string why;
  const std::string name = WaylandDisplayName();
  if (wayland == WaylandCompositor::kNoAnswer) {
    why = "no Wayland compositor answers on " + name + ", and ";
  } else if (wayland == WaylandCompositor::kNoSeat && SdlNeedsWaylandSeat()) {
    SDL_version linked;
    SDL_GetVersion(&linked);
    why = "the Wayland compositor on " + name + " offers no input seat, which SDL " + std::to_string(linked.major) +
          "." + std::to_string(linked.minor) + " cannot start without, and ";
  }
  if (sdlFailed && why.empty()) return SDL_GetError();
  const char* display = SDL_getenv("DISPLAY");
  return why + (display && *display ? "no display can be opened" : "no display (DISPLAY is not set)");
}

// SDL shows an X11 box from a forked copy of the program (and a Wayland one
// through a helper it starts). That copy shares the program's display
// connection and standard streams and inherits its blocked signals, so on
// its own it would outlive the program. These are what the copy does first:
// it dies with the program (SIGKILL of the program included), takes the
// termination signals in the default way, and lets go of the streams a
// daemon may be reading.
std::atomic<bool> boxForking{false};
pid_t boxParent = 0;

void BoxChildAfterFork() {
  if (!boxForking.load(std::memory_order_relaxed)) return;
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != boxParent) _exit(0);  // the program ended before the line above
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null >= 0) {
    for (int stream = 0; stream <= 2; ++stream) ::dup2(null, stream);
    if (null > 2) ::close(null);
  }
}

void PrepareBoxChildren() {
  static const bool registered = ::pthread_atfork(nullptr, nullptr, BoxChildAfterFork) == 0;
  (void)registered;
}

class SdlApplication : public IApplication {
 public:
  SdlApplication() {
    // Input must reach us even when the pointer sits still over a fresh window.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // SDL would keep the desktop's own blanker away in every mode; only the
    // running saver asks for that (ISystem::SetScreenSaverRunning).
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Termination signals come through our own watcher, in every state.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A Wayland driver that would crash is kept away; X11 may still serve.
    const WaylandCompositor wayland = ProbeWaylandCompositor();
    if (wayland == WaylandCompositor::kNoSeat && SdlNeedsWaylandSeat()) {
      SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    }
    video_ = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    if (!video_) {
      std::fprintf(stderr, "velmo: cannot start the video system: %s\n", WhyNoVideo(wayland, true).c_str());
    } else if (OnlyInvisibleVideo()) {
      // With no display SDL falls back to a driver that draws into memory:
      // the saver would then run unseen and never end.
      SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
      video_ = false;
      std::fprintf(stderr, "velmo: cannot start the video system: %s\n", WhyNoVideo(wayland, false).c_str());
    }
    postedEvent_ = SDL_RegisterEvents(1);
    SetTerminationHandler([this] {
      // A box shows only once everything it could leave behind has stopped,
      // and its own loop reads no quit event: nothing is left but to end.
      if (boxOpen_) _exit(0);
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
    });
  }
  ~SdlApplication() override {
    SetTerminationHandler(nullptr);
    // Work posted but never run still owns its closure.
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, postedEvent_, postedEvent_) == 1)
      delete static_cast<std::function<void()>*>(event.user.data1);
    if (video_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
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
    if (!video_) return nullptr;
    // The display shows into it as into a daemon's window: at its size,
    // whatever the window manager makes of it.
    const uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
    SDL_Window* w = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                                     flags | (SdlPresenter::RendererWanted() ? SDL_WINDOW_OPENGL : 0));
    if (!w && SdlPresenter::RendererWanted())
      w = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height, flags);
    if (!w) {
      std::fprintf(stderr, "velmo: cannot create a window: %s\n", SDL_GetError());
      return nullptr;
    }
    return std::make_unique<SdlWindow>(w, windows_);
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
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(w, &info) && info.subsystem == SDL_SYSWM_X11)
      ListenToHostWindow(info.info.x11.display, nativeWindow);
    auto window = std::make_unique<SdlWindow>(w, windows_, true);
    window->SetHostId(nativeWindow);
    return window;
  }

  void SetIdleHandler(IdleHandler handler) override { idle_ = std::move(handler); }

  void Run(IWindow& mainWindow) override {
    if (!video_) return;
    SDL_Event event;
    while (!mainWindow.IsClosed()) {
      // The daemon took its window away: end as if asked to close.
      if (hosted_ && HostWindowGone()) {
        for (SdlWindow* w : windows_)
          if (w->Hosted()) CloseRequested(w);
        if (mainWindow.IsClosed()) break;
      }
      bool dispatched = false;
      while (!mainWindow.IsClosed() && SDL_PollEvent(&event)) {
        Dispatch(event);
        dispatched = true;
      }
      if (mainWindow.IsClosed()) break;
      ReportLostActivation();
      if (mainWindow.IsClosed()) break;
      if (idle_ && (dispatched || idleWantsMore_)) {
        bool done = true;
        idle_(done);
        idleWantsMore_ = !done;
        // However many windows presented in this turn, one wait for the refresh.
        WaitForNextFrame();
        continue;
      }
      if (!idleWantsMore_ && SDL_WaitEventTimeout(&event, 100)) Dispatch(event);
    }
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
  std::unique_ptr<SdlWindow> MakeWindow(const std::string& caption, int x, int y, int w, int h) {
    if (!video_) return nullptr;
    SDL_Window* made = SDL_CreateWindow(caption.c_str(), x, y, w, h,
                                        SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS |
                                            (SdlPresenter::RendererWanted() ? SDL_WINDOW_OPENGL : 0));
    // Without a working GL the window is made plain, for the framebuffer.
    if (!made && SdlPresenter::RendererWanted())
      made = SDL_CreateWindow(caption.c_str(), x, y, w, h, SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
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
    if (hosted_) return IDOK;
    SDL_Window* parent = owner ? static_cast<SDL_Window*>(owner->NativeHandle()) : nullptr;
    if (parent && !(SDL_GetWindowFlags(parent) & SDL_WINDOW_SHOWN)) parent = nullptr;
    PrepareBoxChildren();
    boxParent = ::getpid();
    boxOpen_ = true;
    boxForking = true;
    SDL_ShowSimpleMessageBox(kind, caption.c_str(), text.c_str(), parent);
    boxForking = false;
    boxOpen_ = false;
    return IDOK;
  }

  void ReportLostActivation() {
    const uint64_t now = SDL_GetTicks64();
    bool ourFocus = false;
    for (SdlWindow* w : windows_)
      ourFocus = ourFocus || (!w->IsClosed() && (SDL_GetWindowFlags(static_cast<SDL_Window*>(w->NativeHandle())) &
                                                 SDL_WINDOW_INPUT_FOCUS));
    for (SdlWindow* w : windows_) {
      if (w->LostActivation(now, ourFocus) && w->Events().onDeactivate) w->Events().onDeactivate();
    }
  }

  SdlWindow* WindowOf(uint32_t id) {
    for (SdlWindow* w : windows_)
      if (w->Id() == id) return w;
    return nullptr;
  }

  void Dispatch(const SDL_Event& event) {
    if (event.type == postedEvent_) {
      auto* work = static_cast<std::function<void()>*>(event.user.data1);
      (*work)();
      delete work;
      return;
    }
    switch (event.type) {
      case SDL_KEYDOWN: {
        SdlWindow* w = WindowOf(event.key.windowID);
        if (!w) return;
        if (w->Events().onKeyDown) w->Events().onKeyDown(VirtualKeyOf(event.key.keysym.sym), ShiftStateOf(event.key.keysym.mod));
        const char c = ControlCharOf(event.key.keysym.sym);
        if (c && !w->IsClosed() && w->Events().onKeyPress) w->Events().onKeyPress(c);
        break;
      }
      case SDL_TEXTINPUT: {
        SdlWindow* w = WindowOf(event.text.windowID);
        if (!w || !w->Events().onKeyPress) return;
        for (const char* p = event.text.text; *p && !w->IsClosed(); ++p) w->Events().onKeyPress(*p);
        break;
      }
      case SDL_MOUSEMOTION: {
        SdlWindow* w = WindowOf(event.motion.windowID);
        if (w && w->Events().onMouseMove) w->Events().onMouseMove(0, event.motion.x, event.motion.y);
        break;
      }
      case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) CloseRequested(WindowOf(event.window.windowID));
        // A focus that came and went between two looks at the flags still counts as had.
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
          if (SdlWindow* w = WindowOf(event.window.windowID)) w->NoteFocusGained();
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
  std::atomic<bool> boxOpen_{false};
  uint32_t postedEvent_ = 0;
  IdleHandler idle_;
  bool idleWantsMore_ = true;
  int cursorCount_ = 0;
  std::string title_ = "velmo";
  std::vector<SdlWindow*> windows_;
};

}  // namespace

std::unique_ptr<IApplication> MakeSdlApplication() { return std::make_unique<SdlApplication>(); }

}  // namespace velmo
