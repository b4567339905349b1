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
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/helper_process.h"

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

// The desktop's layout as words for the watcher's command line:
// "width height mmWidth mmHeight" then one "id:mode:x:y:rotation:outputs"
// per CRTC, the outputs joined by commas.
std::vector<std::string> LayoutWords(const Layout& layout) {
  std::vector<std::string> words{std::to_string(layout.width), std::to_string(layout.height),
                                 std::to_string(layout.mmWidth), std::to_string(layout.mmHeight)};
  for (const Crtc& c : layout.crtcs) {
    std::string word = std::to_string(c.id) + ":" + std::to_string(c.mode) + ":" + std::to_string(c.x) + ":" +
                       std::to_string(c.y) + ":" + std::to_string(c.rotation) + ":";
    for (size_t i = 0; i < c.outputs.size(); ++i) {
      if (i) word += ',';
      word += std::to_string(c.outputs[i]);
    }
    words.push_back(word);
  }
  return words;
}

bool ParseLayout(int argc, char** argv, Layout* layout) {
  if (argc < 4) return false;
  layout->width = std::atoi(argv[0]);
  layout->height = std::atoi(argv[1]);
  layout->mmWidth = std::atoi(argv[2]);
  layout->mmHeight = std::atoi(argv[3]);
  for (int i = 4; i < argc; ++i) {
    Crtc c{};
    char* at = argv[i];
    auto next = [&at](char stop) {
      char* end = nullptr;
      const unsigned long long v = std::strtoull(at, &end, 10);
      at = (end && *end == stop) ? end + 1 : end;
      return v;
    };
    c.id = static_cast<RRCrtc>(next(':'));
    c.mode = static_cast<RRMode>(next(':'));
    c.x = static_cast<int>(static_cast<long long>(std::strtoll(at, &at, 10)));
    if (*at == ':') ++at;
    c.y = static_cast<int>(static_cast<long long>(std::strtoll(at, &at, 10)));
    if (*at == ':') ++at;
    c.rotation = static_cast<Rotation>(next(':'));
    while (at && *at) c.outputs.push_back(static_cast<RROutput>(next(',')));
    layout->crtcs.push_back(std::move(c));
  }
  return !layout->crtcs.empty();
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
  // A freshly started copy of the program, not a fork of this threaded one:
  // it opens an X connection of its own once the saver is gone.
  std::vector<std::string> args{displayName, std::to_string(width), std::to_string(height)};
  for (std::string& word : LayoutWords(*desktop)) args.push_back(std::move(word));
  // Above the descriptors the helper gets, so the hand-over is a real dup.
  const int readEnd = fcntl(fds[0], F_DUPFD_CLOEXEC, 10);
  close(fds[0]);
  const pid_t watcher = readEnd < 0 ? -1 : SpawnHelper("mode-guard", args, readEnd, /*keepStderr=*/true);
  if (readEnd >= 0) close(readEnd);
  if (watcher < 0) {
    close(fds[1]);
    return nullptr;
  }
  return std::unique_ptr<X11ModeGuard>(new X11ModeGuard(watcher, fds[1]));
}

int RunModeGuardHelper(int argc, char** argv) {
  // argv: the saver's process id, the display, the saver's width and height, the desktop's layout.
  if (argc < 8) return 2;
  Layout desktop;
  if (!ParseLayout(argc - 4, argv + 4, &desktop)) return 2;
  struct sigaction action = {};
  action.sa_handler = SIG_IGN;
  sigaction(SIGHUP, &action, nullptr);  // a closed terminal kills the saver; this one must outlive it
  sigaction(SIGQUIT, &action, nullptr);
  sigaction(SIGPIPE, &action, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);  // blocked from the program's start; INT and TERM end it
  prctl(PR_SET_NAME, "velmo-guard");
  // Descriptor 3 is the pipe's reading end: only the saver holds the other.
  char byte;
  while (true) {
    const ssize_t n = read(3, &byte, 1);
    if (n == 0 || (n < 0 && errno != EINTR)) break;
  }
  alarm(5);  // a server that stops answering must not keep this process
  GiveBackDesktop(argv[1], desktop, std::atoi(argv[2]), std::atoi(argv[3]));
  return 0;
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
