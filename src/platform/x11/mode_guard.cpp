#include "platform/x11/mode_guard.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

namespace velmo {
namespace {

struct Crtc {
  RRCrtc id;
  RRMode mode;
  int x, y;
  Rotation rotation;
  std::vector<RROutput> outputs;

  bool SameAs(const Crtc& other) const {
    return mode == other.mode && x == other.x && y == other.y && rotation == other.rotation;
  }
};

struct Layout {
  int width = 0, height = 0, mmWidth = 0, mmHeight = 0;
  std::vector<Crtc> crtcs;
};

struct ResourcesFree {
  void operator()(XRRScreenResources* r) const { XRRFreeScreenResources(r); }
};
using Resources = std::unique_ptr<XRRScreenResources, ResourcesFree>;

// Null without RandR 1.2 or later, which sets modes per CRTC.
Resources ReadResources(Display* display) {
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XRRQueryExtension(display, &event, &error) || !XRRQueryVersion(display, &major, &minor)) return nullptr;
  if (major < 1 || (major == 1 && minor < 2)) return nullptr;
  return Resources(XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display)));
}

// The screen as the connection sees it now; the size is the one at connecting.
Layout ReadLayout(Display* display, XRRScreenResources* resources) {
  Layout layout;
  const int screen = DefaultScreen(display);
  layout.width = DisplayWidth(display, screen);
  layout.height = DisplayHeight(display, screen);
  layout.mmWidth = DisplayWidthMM(display, screen);
  layout.mmHeight = DisplayHeightMM(display, screen);
  for (int i = 0; i < resources->ncrtc; ++i) {
    XRRCrtcInfo* info = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
    if (!info) continue;
    layout.crtcs.push_back({resources->crtcs[i], info->mode, info->x, info->y, info->rotation,
                            std::vector<RROutput>(info->outputs, info->outputs + info->noutput)});
    XRRFreeCrtcInfo(info);
  }
  return layout;
}

bool ModeHasSize(XRRScreenResources* resources, RRMode mode, int width, int height) {
  for (int i = 0; i < resources->nmode; ++i) {
    const XRRModeInfo& m = resources->modes[i];
    if (m.id == mode) return static_cast<int>(m.width) == width && static_cast<int>(m.height) == height;
  }
  return false;
}

int IgnoreError(Display*, XErrorEvent*) { return 0; }
// Xlib's own handler would run the exit handlers this process copied from the saver.
int LeaveQuietly(Display*) { _exit(0); }

// When every CRTC that differs from the desktop still shows a mode of the
// saver's size, puts those CRTCs and the screen size back as they were.
void GiveBackDesktop(const std::string& name, const Layout& desktop, int width, int height) {
  XSetErrorHandler(IgnoreError);
  XSetIOErrorHandler(LeaveQuietly);
  Display* display = XOpenDisplay(name.c_str());
  if (!display) return;
  XGrabServer(display);  // nobody changes the screen between looking and acting
  const Resources resources = ReadResources(display);
  if (resources) {
    const Layout now = ReadLayout(display, resources.get());
    std::vector<const Crtc*> changed;  // as they were on the desktop
    bool saversMode = true;
    for (const Crtc& was : desktop.crtcs) {
      for (const Crtc& is : now.crtcs) {
        if (is.id != was.id || is.SameAs(was)) continue;
        changed.push_back(&was);
        saversMode = saversMode && ModeHasSize(resources.get(), is.mode, width, height);
      }
    }
    if (!changed.empty() && saversMode) {
      for (const Crtc* c : changed) {
        XRRSetCrtcConfig(display, resources.get(), c->id, CurrentTime, 0, 0, None, RR_Rotate_0, nullptr, 0);
      }
      XRRSetScreenSize(display, DefaultRootWindow(display), desktop.width, desktop.height, desktop.mmWidth,
                       desktop.mmHeight);
      for (const Crtc* c : changed) {
        std::vector<RROutput> outputs = c->outputs;
        XRRSetCrtcConfig(display, resources.get(), c->id, CurrentTime, c->x, c->y, c->mode, c->rotation,
                         outputs.data(), static_cast<int>(outputs.size()));
      }
    }
  }
  XUngrabServer(display);
  XSync(display, False);
  XCloseDisplay(display);
}

// Every descriptor but the pipe and standard error goes: holding the saver's
// X connection or sound device open would keep them alive after the saver.
// Returns the pipe's descriptor, moved above standard error if it was not.
int CloseInherited(int keep) {
  if (keep <= STDERR_FILENO) keep = fcntl(keep, F_DUPFD, STDERR_FILENO + 1);
  const int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    if (null > STDERR_FILENO && null != keep) close(null);
  }
  const bool ranges = (keep == STDERR_FILENO + 1 || close_range(STDERR_FILENO + 1, keep - 1, 0) == 0) &&
                      close_range(keep + 1, ~0U, 0) == 0;
  if (!ranges) {
    for (int fd = STDERR_FILENO + 1; fd < 65536; ++fd) {
      if (fd != keep) close(fd);
    }
  }
  return keep;
}

[[noreturn]] void Watch(int pipe, const std::string& name, const Layout& desktop, int width, int height) {
  // Until the saver is gone: async-signal-safe calls only.
  struct sigaction action = {};
  action.sa_handler = SIG_IGN;
  sigaction(SIGHUP, &action, nullptr);  // a closed terminal kills the saver; this one must outlive it
  sigaction(SIGQUIT, &action, nullptr);
  sigaction(SIGPIPE, &action, nullptr);
  action.sa_handler = SIG_DFL;
  sigaction(SIGINT, &action, nullptr);  // the saver's own handlers have nothing to do here
  sigaction(SIGTERM, &action, nullptr);
  prctl(PR_SET_NAME, "velmo-guard");
  pipe = CloseInherited(pipe);
  char byte;
  while (true) {
    const ssize_t n = read(pipe, &byte, 1);
    if (n == 0 || (n < 0 && errno != EINTR)) break;
  }
  alarm(5);  // a server that stops answering must not keep this process
  GiveBackDesktop(name, desktop, width, height);
  _exit(0);
}

}  // namespace

std::unique_ptr<X11ModeGuard> X11ModeGuard::Arm(const std::string& displayName, int width, int height) {
  Display* display = XOpenDisplay(displayName.c_str());
  if (!display) return nullptr;
  std::optional<Layout> desktop;
  if (const Resources resources = ReadResources(display)) desktop = ReadLayout(display, resources.get());
  XCloseDisplay(display);
  if (!desktop || desktop->crtcs.empty()) return nullptr;

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return nullptr;
  // Forked from a threaded saver: async-signal-safe calls only until it is gone, then an X connection of its own.
  const pid_t watcher = fork();
  if (watcher == 0) {
    close(fds[1]);
    Watch(fds[0], displayName, *desktop, width, height);
  }
  close(fds[0]);
  if (watcher < 0) {
    close(fds[1]);
    return nullptr;
  }
  return std::unique_ptr<X11ModeGuard>(new X11ModeGuard(watcher, fds[1]));
}

X11ModeGuard::~X11ModeGuard() {
  close(pipe_);
  // The check takes a few milliseconds; the watcher gives up on its own after a few seconds.
  for (int i = 0; i < 200; ++i) {
    const pid_t done = waitpid(watcher_, nullptr, WNOHANG);
    if (done == watcher_ || (done < 0 && errno != EINTR)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace velmo
