#pragma once
// Frame timing has one owner: the application loop. Presents only report
// that they showed a frame (and whether the renderer already waited for the
// refresh); the loop then holds its next turn until the next refresh, however
// many windows presented in this one, so several monitors' scenes share one
// refresh. It holds it in its own wait for events, not in a sleep of its
// own: a turn with nothing to show wakes nobody, and a key is not kept waiting.
#include <chrono>

namespace velmo {

// A present showed a frame on a display refreshing every period; vsynced:
// the present itself waited for that refresh. Main thread; allocates nothing.
void NoteFramePresented(std::chrono::steady_clock::duration period, bool vsynced);

// Called by the loop after each turn: the earliest time its next turn may
// present. After a turn that presented a frame that did not wait for vsync,
// the next refresh on a steady grid (late turns skip to the next one, never
// a burst); otherwise a time already past. Main thread; reads the clock,
// never blocks.
std::chrono::steady_clock::time_point NextFrameTime();

}  // namespace velmo
