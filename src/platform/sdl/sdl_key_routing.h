#pragma once
// Where SDL's input events go: keys and text, pointer motion, buttons and
// the wheel, and the window events, to our windows' handlers. Main thread,
// inside the loop's dispatch; a motion event costs an X round trip (the
// pointer's place on the desktop), the rest nothing.
#include <SDL.h>

#include <vector>

namespace velmo {

class SdlWindow;

// The window with SDL id `id`, or null.
SdlWindow* SdlWindowOf(const std::vector<SdlWindow*>& windows, uint32_t id);

// A close asked of w (its close button, a quit): its onClose, else closed.
void SdlCloseRequested(SdlWindow* w);

// Hands one input or window event to the window it is for; false when the
// event is none of these. mainWindow: the window the loop runs for (null
// while it runs none), which takes keys SDL sent to no window of ours.
bool RouteSdlInput(const SDL_Event& event, const std::vector<SdlWindow*>& windows, SdlWindow* mainWindow);

}  // namespace velmo
