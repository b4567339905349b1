#include "platform/sdl/sdl_message_box.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace velmo {
namespace {

std::atomic<bool> boxForking{false};
pid_t boxParent = 0;

// The forked copy that shows an X11 box shares the program's display
// connection and standard streams and inherits its blocked signals, so on
// its own it would outlive the program. This is what the copy does first:
// it dies with the program (SIGKILL of the program included), takes the
// termination signals in the default way, and lets go of the streams a
// caller may be reading to their end.
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

}  // namespace

void ShowSdlMessageBox(uint32_t kind, const char* caption, const char* text, SDL_Window* parent,
                       std::atomic<bool>& open) {
  PrepareBoxChildren();
  boxParent = ::getpid();
  open = true;
  boxForking = true;
  SDL_ShowSimpleMessageBox(kind, caption, text, parent);
  boxForking = false;
  open = false;
}

}  // namespace velmo
