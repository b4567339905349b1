#pragma once
// Tells whoever started the program that it is on the screen: with
// VELMO_READY_FD naming an open descriptor above 2, the first call writes the
// process id and a newline to it and closes it; later calls, and calls
// without the variable, do nothing. Scripts wait on that line instead of a
// clock. Any thread; the first call costs a write, the others an atomic load;
// allocates nothing.
namespace velmo {

void SignalShown();

}  // namespace velmo
