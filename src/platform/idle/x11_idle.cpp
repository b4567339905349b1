#include "platform/idle/x11_idle.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/extensions/sync.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velmo {
namespace {

// Xlib ends the process after this returns: the watcher has nothing left to
// watch when its server is gone, and a saver it started loses the server too.
int ServerGone(Display*) {
  std::fprintf(stderr, "velmo: the X server closed the connection; the watcher ends\n");
  _exit(0);
}

bool refused = false;
int NoteRefusal(Display*, XErrorEvent* error) {
  if (error->error_code == BadAccess) refused = true;
  return 0;
}

XSyncValue ValueOf(uint64_t ms) {
  XSyncValue value;
  XSyncIntsToValue(&value, static_cast<unsigned>(ms & 0xffffffffu), static_cast<int>(ms >> 32));
  return value;
}

class X11IdleSource : public IIdleSource {
 public:
  ~X11IdleSource() override {
    if (!display_) return;
    DropAlarm();
    XCloseDisplay(display_);
  }

  bool Open(std::string* why) {
    display_ = XOpenDisplay(nullptr);
    if (!display_) {
      *why = "no X display";
      return false;
    }
    XSetIOErrorHandler(&ServerGone);
    int major = 0, minor = 0;
    if (!XSyncQueryExtension(display_, &syncEvent_, &syncError_) || !XSyncInitialize(display_, &major, &minor)) {
      *why = "the X server has no SYNC extension";
      return false;
    }
    int count = 0;
    XSyncSystemCounter* counters = XSyncListSystemCounters(display_, &count);
    for (int i = 0; i < count; ++i)
      if (std::strcmp(counters[i].name, "IDLETIME") == 0) idleTime_ = counters[i].counter;
    if (counters) XSyncFreeSystemCounterList(counters);
    if (!idleTime_) {
      *why = "the X server has no IDLETIME counter";
      return false;
    }
    int error = 0;
    if (XScreenSaverQueryExtension(display_, &saverEvent_, &error)) {
      XScreenSaverSelectInput(display_, DefaultRootWindow(display_), ScreenSaverNotifyMask);
      XScreenSaverInfo* info = XScreenSaverAllocInfo();
      if (info && XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info) && info->state == ScreenSaverOn)
        pendingBlank_ = true;
      XFree(info);
    } else {
      saverEvent_ = -1;
    }
    XFlush(display_);
    return true;
  }

  const char* Name() const override { return "X11 IDLETIME"; }
  int Fd() const override { return ConnectionNumber(display_); }

  void Arm(uint32_t delayMs) override {
    delayMs_ = delayMs;
    SetAlarm(true);
  }

  bool Dispatch(const std::function<void(IdleEvent)>& onEvent) override {
    if (pendingBlank_) {
      pendingBlank_ = false;
      onEvent(IdleEvent::kBlanked);
    }
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == syncEvent_ + XSyncAlarmNotify) {
        const auto& alarm = reinterpret_cast<const XSyncAlarmNotifyEvent&>(event);
        if (alarm.alarm != alarm_) continue;
        // Each alarm fires once: the delay reached, then the next input.
        const bool wasIdleAlarm = waitingForIdle_;
        SetAlarm(!wasIdleAlarm);
        onEvent(wasIdleAlarm ? IdleEvent::kIdle : IdleEvent::kActive);
      } else if (saverEvent_ >= 0 && event.type == saverEvent_ + ScreenSaverNotify) {
        const auto& note = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
        onEvent(note.state == ScreenSaverOff ? IdleEvent::kUnblanked : IdleEvent::kBlanked);
      }
    }
    return true;
  }

 private:
  // One alarm at a time: for the delay reached (the counter at or above it)
  // or for the next input (the counter below it again).
  void SetAlarm(bool forIdle) {
    DropAlarm();
    XSyncAlarmAttributes attributes{};
    attributes.trigger.counter = idleTime_;
    attributes.trigger.value_type = XSyncAbsolute;
    attributes.trigger.wait_value = ValueOf(forIdle ? delayMs_ : (delayMs_ > 0 ? delayMs_ - 1 : 0));
    attributes.trigger.test_type = forIdle ? XSyncPositiveComparison : XSyncNegativeComparison;
    attributes.delta = ValueOf(0);
    attributes.events = True;
    alarm_ = XSyncCreateAlarm(display_,
                              XSyncCACounter | XSyncCAValueType | XSyncCAValue | XSyncCATestType | XSyncCADelta |
                                  XSyncCAEvents,
                              &attributes);
    waitingForIdle_ = forIdle;
    XFlush(display_);
  }

  void DropAlarm() {
    if (alarm_) XSyncDestroyAlarm(display_, alarm_);
    alarm_ = 0;
  }

  Display* display_ = nullptr;
  int syncEvent_ = 0, syncError_ = 0, saverEvent_ = -1;
  XSyncCounter idleTime_ = 0;
  XSyncAlarm alarm_ = 0;
  bool waitingForIdle_ = true;
  bool pendingBlank_ = false;
  uint32_t delayMs_ = 0;
};

}  // namespace

std::unique_ptr<IIdleSource> OpenX11IdleSource(std::string* why) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    *why = "DISPLAY is not set";
    return nullptr;
  }
  auto source = std::make_unique<X11IdleSource>();
  if (!source->Open(why)) return nullptr;
  return source;
}

std::string OtherX11ScreenSaver() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return {};
  Display* display = XOpenDisplay(nullptr);
  if (!display) return {};
  const Window root = DefaultRootWindow(display);
  std::string found;
  // xscreensaver's daemon marks a window of its own, a child of the root
  // (the root itself before version 6), with its version, and xscreensaver-
  // command finds it so; the mark goes with the window when the daemon ends.
  const Atom version = XInternAtom(display, "_SCREENSAVER_VERSION", True);
  if (version != None) {
    auto marked = [&](Window window) {
      Atom type = None;
      int format = 0;
      unsigned long items = 0, after = 0;
      unsigned char* data = nullptr;
      const bool has = XGetWindowProperty(display, window, version, 0, 64, False, XA_STRING, &type, &format, &items,
                                          &after, &data) == Success &&
                       type != None;
      if (data) XFree(data);
      return has;
    };
    Window rootOut = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    bool any = marked(root);
    if (!any && XQueryTree(display, root, &rootOut, &parent, &children, &count)) {
      for (unsigned int i = 0; i < count && !any; ++i) any = marked(children[i]);
      if (children) XFree(children);
    }
    if (any) found = "xscreensaver";
  }
  int event = 0, error = 0;
  if (found.empty() && XScreenSaverQueryExtension(display, &event, &error)) {
    XID id = 0;
    Atom type = None;
    if (XScreenSaverGetRegistered(display, DefaultScreen(display), &id, &type)) found = "a registered screen saver";
    if (found.empty()) {
      // Only one client may hold the server's external saver: asking for it
      // is refused while another holds it; given, it is handed back at once.
      refused = false;
      XSync(display, False);
      auto* previous = XSetErrorHandler(&NoteRefusal);
      XSetWindowAttributes attributes{};
      XScreenSaverSetAttributes(display, root, 0, 0, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent, 0,
                                &attributes);
      XSync(display, False);
      if (!refused) XScreenSaverUnsetAttributes(display, root);
      XSync(display, False);
      XSetErrorHandler(previous);
      if (refused) found = "another program's screen saver";
    }
  }
  XCloseDisplay(display);
  return found;
}

}  // namespace velmo
