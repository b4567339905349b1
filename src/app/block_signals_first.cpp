// SPDX-License-Identifier: MIT
// Linked into each program (not into a library, where the linker would
// leave it out): the termination signals are blocked before anything else
// runs, the libraries' initialisers included, so a request that arrives
// while the program is still loading waits for the watcher and ends it in
// order.
#include "platform/termination.h"

extern "C" void VelmoBlockSignalsFirst(int, char**, char**) { velmo::BlockTerminationSignals(); }
__attribute__((section(".preinit_array"), used)) static void (*const kBlockSignalsFirst)(int, char**, char**) =
    VelmoBlockSignalsFirst;
