#include "platform/shown_signal.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace velmo {

void SignalShown() {
  static std::atomic<bool> signalled{false};
  if (signalled.load(std::memory_order_relaxed) || signalled.exchange(true)) return;
  const char* text = std::getenv("VELMO_READY_FD");
  if (!text || !*text) return;
  char* end = nullptr;
  errno = 0;
  const long fd = std::strtol(text, &end, 10);
  // Never one of the standard streams, nor anything that is not a number.
  if (errno != 0 || *end != '\0' || fd <= 2 || fd > INT_MAX) return;
  char line[24];
  const int length = std::snprintf(line, sizeof line, "%ld\n", static_cast<long>(getpid()));
  ssize_t written;
  do {
    written = write(static_cast<int>(fd), line, static_cast<size_t>(length));
  } while (written < 0 && errno == EINTR);
  close(static_cast<int>(fd));
}

}  // namespace velmo
