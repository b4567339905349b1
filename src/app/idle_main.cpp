// SPDX-License-Identifier: MIT
// velmo-idle: the session's idle watcher, which velmo --idle becomes. A
// program of its own, linked with only the libraries the watcher uses (the
// Wayland client, Xlib, sd-bus), so that it stays small while it waits for
// hours; it starts velmo /s for the saver. Not for people to run: its
// arguments are velmo's (the delay's seconds, 0 for the stored one, and the
// velmo to start).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/idle_mode.h"
#include "platform/termination.h"

int main(int argc, char** argv) {
  velmo::WatchTerminationSignals();
  if (argc != 3) {
    std::fprintf(stderr, "velmo-idle is started by velmo --idle; see velmo(6)\n");
    return 1;
  }
  return velmo::RunIdleWatcher(std::atoi(argv[1]), argv[2]);
}
