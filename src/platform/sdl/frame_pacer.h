#pragma once
// Frame timing has one owner: the application loop. Presents only report
// that they showed a frame (and whether the renderer already waited for the
// refresh); the loop then waits once per turn, however many windows
// presented in it, so several monitors' scenes share one refresh.
#include <chrono>

namespace velmo {

// A present showed a frame on a display refreshing every period; vsynced:
// the present itself waited for that refresh. Main thread; allocates nothing.
void NoteFramePresented(std::chrono::steady_clock::duration period, bool vsynced);

// Called by the loop after each turn: sleeps until the next refresh on a
// steady grid (late turns skip to the next one, never a burst) when the turn
// presented a frame that did not wait for vsync; returns at once otherwise.
// Blocks the calling (main) thread for at most one refresh period.
void WaitForNextFrame();

}  // namespace velmo
