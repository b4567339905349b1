#include "platform/termination.h"

#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

namespace velmo {
namespace {

// The in-order end (timer, sprites, display, sound, the desktop's mode)
// takes a few tens of milliseconds; this leaves room for a loaded machine.
constexpr auto kGrace = std::chrono::milliseconds(400);

std::mutex handlerMutex;
TerminationHandler currentHandler;

sigset_t TerminationSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  return set;
}

void Watch(sigset_t set) {
  int signal = 0;
  while (sigwait(&set, &signal) != 0) {
  }
  {
    std::lock_guard lock(handlerMutex);
    if (!currentHandler) _exit(0);
    currentHandler();
  }
  // The loop normally ends the program well before this; a second request
  // ends it at once.
  const auto deadline = std::chrono::steady_clock::now() + kGrace;
  for (auto left = kGrace; left.count() > 0;
       left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())) {
    const struct timespec wait{0, std::chrono::duration_cast<std::chrono::nanoseconds>(left).count()};
    if (sigtimedwait(&set, nullptr, &wait) >= 0) break;  // a second request
  }
  _exit(0);
}

}  // namespace

void BlockTerminationSignals() {
  // The plain system call: this may run before the C library's own
  // initialisers, and before any sanitizer's.
  // The kernel's signal set: one bit per signal, signal n at bit n - 1.
  const uint64_t set = (uint64_t{1} << (SIGTERM - 1)) | (uint64_t{1} << (SIGINT - 1)) | (uint64_t{1} << (SIGHUP - 1));
  ::syscall(SYS_rt_sigprocmask, SIG_BLOCK, &set, nullptr, sizeof set);
}

void WatchTerminationSignals() {
  const sigset_t set = TerminationSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread(Watch, set).detach();
}

TerminationHandler SetTerminationHandler(TerminationHandler handler) {
  std::lock_guard lock(handlerMutex);
  TerminationHandler previous = std::move(currentHandler);
  currentHandler = std::move(handler);
  return previous;
}

}  // namespace velmo
