#include "platform/sdl/sdl_message_box.h"

#include <SDL_syswm.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/helper_process.h"
#include "platform/sdl/sdl_window.h"

namespace velmo {
namespace {

// The X11 window a box is made for, or 0.
unsigned long X11WindowOf(SDL_Window* window) {
  if (!window) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return static_cast<unsigned long>(info.info.x11.window);
}

pid_t helperPid = 0;

// SDL's X11 box forks once more (a copy of this single-threaded helper,
// which is safe) and shows the box there: that copy dies with the helper.
void DieWithHelper() {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != helperPid) _exit(0);
}

}  // namespace

bool SdlVideoIsADisplay() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
}

void ShowSdlMessageBox(uint32_t kind, const char* caption, const char* text, SDL_Window* parent,
                       std::atomic<bool>& open) {
  const pid_t box =
      SpawnHelper("box", {std::to_string(kind), caption, text, std::to_string(X11WindowOf(parent))});
  if (box < 0) return;  // the message is on standard error already
  open = true;
  WaitHelper(box);
  open = false;
}

void ShowSdlMessageBoxOver(const std::vector<SdlWindow*>& windows, uint32_t kind, const char* caption,
                           const char* text, std::atomic<bool>& open) {
  SDL_Window* parent = nullptr;
  for (SdlWindow* w : windows) {
    auto* sdl = static_cast<SDL_Window*>(w->NativeHandle());
    if (w->IsClosed() || !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN)) continue;
    parent = sdl;
    break;
  }
  ShowSdlMessageBox(kind, caption, text, parent, open);
}

int RunMessageBoxHelper(int argc, char** argv) {
  if (argc < 5) return 2;
  // Dies with the program, also when the program is already gone.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != static_cast<pid_t>(std::strtol(argv[0], nullptr, 10))) return 0;
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  helperPid = ::getpid();
  ::pthread_atfork(nullptr, nullptr, DieWithHelper);
  const auto kind = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10));
  const unsigned long parentId = std::strtoul(argv[4], nullptr, 10);
  // Over the program's X11 window: SDL then draws its own X11 box, placed
  // over that window and kept in front of it. Without one SDL may use
  // another helper (zenity).
  SDL_Window* parent = nullptr;
  if (parentId != 0) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0)
      parent = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<uintptr_t>(parentId)));
  }
  SDL_ShowSimpleMessageBox(kind, argv[2], argv[3], parent);
  // The program's window is not ours to touch: no SDL_Quit.
  std::fflush(nullptr);
  _exit(0);
}

}  // namespace velmo
