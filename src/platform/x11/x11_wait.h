#pragma once
// Waiting on an Xlib connection (SDL's own) for input, beside a wake
// descriptor and a deadline, where SDL's own wait cannot be used. Both calls
// belong to the thread that reads the connection (SDL's: the main thread).
namespace velmo {

// Sends the requests still buffered and reads, without blocking, what the
// server has sent; true when Xlib then holds events nobody has taken yet.
// A round trip (a reply awaited after the last pump) reads events into
// Xlib's queue, where poll on the socket no longer sees them: they must be
// handled before waiting. Errors read here go to the error handler now. A
// few syscalls, no round trip.
bool X11EventsQueued(void* display);

// Blocks until the connection (null for none) has something to read, wake
// (a descriptor, -1 for none) is readable, or timeoutMs passes (-1: no
// limit). Reads nothing: the caller's pump does. Call right after
// X11EventsQueued said false. One poll.
void WaitForX11Input(void* display, int wake, int timeoutMs);

}  // namespace velmo
