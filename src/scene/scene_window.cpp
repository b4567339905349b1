#include "scene/scene_window.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace velmo {

std::unique_ptr<IWindow> MakeSceneWindow(IApplication& app, const TSaverOptions& options,
                                         const std::optional<TScreenPlace>& place, const WindowEvents& scene) {
  std::unique_ptr<IWindow> window;
  if (options.place == TSaverOptions::TPlace::Hosted) {
    const uint64_t hostWindow = options.hostWindow;
    window = app.CreateHostedWindow(hostWindow);
    if (!window) {
      char id[32];
      std::snprintf(id, sizeof id, "0x%llx", static_cast<unsigned long long>(hostWindow));
      throw std::runtime_error(hostWindow == 0 ? std::string("The screen cannot be drawn on.")
                                                : "The window " + std::string(id) + " cannot be drawn into.");
    }
    // Keys and the mouse belong to the daemon; it ends us with a signal,
    // which arrives as a close of the window.
    window->SetEvents(WindowEvents{nullptr, nullptr, nullptr, scene.onClose, nullptr, scene.onResize, nullptr});
  } else if (options.place == TSaverOptions::TPlace::Window) {
    // Tried from a shell, as any display program of a daemon is: the
    // authored 800 x 600 in a window of its own, ended by its close button,
    // q or Escape; the mouse is free to move over it.
    window = app.CreateResizableWindow("Velmo", 800, 600);
    if (!window) throw std::runtime_error("The saver window cannot be created.");
    window->SetEvents(WindowEvents{[close = scene.onClose](int key, uint32_t) {
                                     if (key == VK_ESCAPE || key == 'Q') close();
                                   },
                                   nullptr, nullptr, scene.onClose, nullptr, scene.onResize, nullptr});
  } else {
    window = place ? app.CreateWindowOver("Velmo", place->area) : app.CreateWindow("Velmo");
    if (!window) throw std::runtime_error("The saver window cannot be created.");
    // A close, as a loss of the focus, is an attempt to end, as input is
    // (the password, where the system has one). Its size is the display
    // mode's: no onResize.
    window->SetEvents(WindowEvents{scene.onKeyDown, scene.onKeyPress, scene.onMouseMove, scene.onDeactivate,
                                   scene.onDeactivate, nullptr, scene.onMouseDown});
  }
  return window;
}

}  // namespace velmo
