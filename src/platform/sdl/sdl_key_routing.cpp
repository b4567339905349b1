#include "platform/sdl/sdl_key_routing.h"

#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_window.h"
#include "platform/x11/x11_handles.h"
#include "platform/x11/x11_input.h"

namespace velmo {
namespace {

// The window a key or text event is for. SDL sends keys without a window
// (id 0) while it has not taken the focus the window system already gave
// (after a mode change for about 200 ms; without a window manager
// always), and may name a window that is gone: they all reached one of
// ours, so the main window takes them.
SdlWindow* KeyWindowOf(const std::vector<SdlWindow*>& windows, SdlWindow* mainWindow, uint32_t id) {
  SdlWindow* w = SdlWindowOf(windows, id);
  if (w && !w->IsClosed()) return w;
  if (mainWindow && !mainWindow->Hosted() && !mainWindow->IsClosed()) return mainWindow;
  return w;
}

// Where the pointer is on the desktop, asked of the X server (a round
// trip; motion is rare while the saver runs, its first real one ends it):
// a window the layout moved under a still pointer gives the same place,
// where the event's window coordinates, or SDL's idea of where the window
// is, would jump. Elsewhere: the event's place on the window's.
void DesktopPlace(SdlWindow& w, const SDL_MouseMotionEvent& motion, int& x, int& y) {
  auto* window = static_cast<SDL_Window*>(w.NativeHandle());
  X11Handles x11;
  if (X11HandlesOf(window, x11) && PointerOnDesktop(x11.display, x, y)) return;
  SDL_GetWindowPosition(window, &x, &y);
  x += motion.x;
  y += motion.y;
}

}  // namespace

SdlWindow* SdlWindowOf(const std::vector<SdlWindow*>& windows, uint32_t id) {
  for (SdlWindow* w : windows)
    if (w->Id() == id) return w;
  return nullptr;
}

void SdlCloseRequested(SdlWindow* w) {
  if (!w || w->IsClosed()) return;
  if (w->Events().onClose) w->Events().onClose();
  else w->Close();
}

bool RouteSdlInput(const SDL_Event& event, const std::vector<SdlWindow*>& windows, SdlWindow* mainWindow) {
  switch (event.type) {
    case SDL_KEYDOWN: {
      SdlWindow* w = KeyWindowOf(windows, mainWindow, event.key.windowID);
      if (!w) return true;
      if (w->Events().onKeyDown) w->Events().onKeyDown(VirtualKeyOf(event.key.keysym.sym), ShiftStateOf(event.key.keysym.mod));
      const char c = ControlCharOf(event.key.keysym.sym);
      if (c && !w->IsClosed() && w->Events().onKeyPress) w->Events().onKeyPress(c);
      return true;
    }
    case SDL_TEXTINPUT: {
      SdlWindow* w = KeyWindowOf(windows, mainWindow, event.text.windowID);
      if (!w || !w->Events().onKeyPress) return true;
      for (const char* p = event.text.text; *p && !w->IsClosed(); ++p) w->Events().onKeyPress(*p);
      return true;
    }
    case SDL_MOUSEMOTION: {
      SdlWindow* w = SdlWindowOf(windows, event.motion.windowID);
      if (!w || !w->Events().onMouseMove) return true;
      int x = 0, y = 0;
      DesktopPlace(*w, event.motion, x, y);
      w->Events().onMouseMove(0, x, y);
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEWHEEL: {
      SdlWindow* w = SdlWindowOf(windows, event.type == SDL_MOUSEWHEEL ? event.wheel.windowID : event.button.windowID);
      if (w && !w->IsClosed() && w->Events().onMouseDown) w->Events().onMouseDown();
      return true;
    }
    case SDL_WINDOWEVENT: {
      const uint32_t id = event.window.windowID;
      // Looked up anew after each handler: a close may take the window away.
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) SdlCloseRequested(SdlWindowOf(windows, id));
      // A focus that came and went between two looks at the flags still counts as had.
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
        if (SdlWindow* w = SdlWindowOf(windows, id)) w->NoteFocusGained();
      if (event.window.event == SDL_WINDOWEVENT_MOVED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        if (SdlWindow* w = SdlWindowOf(windows, id)) w->NoteMoved();
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        SdlWindow* w = SdlWindowOf(windows, id);
        if (w && !w->IsClosed() && w->Events().onResize) w->Events().onResize();
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace velmo
