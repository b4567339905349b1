#include "platform/x11/x11_wait.h"

#include <X11/Xlib.h>
#include <poll.h>

namespace velmo {

bool X11EventsQueued(void* display) {
  return XEventsQueued(static_cast<Display*>(display), QueuedAfterFlush) > 0;
}

void WaitForX11Input(void* display, int wake, int timeoutMs) {
  // poll passes over a negative descriptor: without one, the other alone.
  const int connection = display ? ConnectionNumber(static_cast<Display*>(display)) : -1;
  pollfd fds[2] = {{connection, POLLIN, 0}, {wake, POLLIN, 0}};
  // An interruption by a signal ends the wait early, as a wake does: the
  // loop looks at everything again and waits anew.
  (void)poll(fds, 2, timeoutMs);
}

}  // namespace velmo
