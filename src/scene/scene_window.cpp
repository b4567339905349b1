#include "scene/scene_window.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "scene/form1.h"

namespace velmo {

std::unique_ptr<IWindow> MakeSceneWindow(TForm1& scene, IApplication& app, const TSaverOptions& options,
                                         const std::optional<TScreenPlace>& place) {
  // A window closed by the daemon's signal or its close button: the saver
  // ends, or, already ended, the window goes.
  auto closeEnds = [&scene] {
    if (!scene.FEnded) scene.EndSaver();
    else if (!scene.Window().IsClosed()) scene.Window().Close();
  };
  auto resized = [&scene] { scene.FormResize(); };
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
    window->SetEvents(WindowEvents{nullptr, nullptr, nullptr, closeEnds, nullptr, resized, nullptr});
  } else if (options.place == TSaverOptions::TPlace::Window) {
    // Tried from a shell, as any display program of a daemon is: the
    // authored 800 x 600 in a window of its own, ended by its close button,
    // q or Escape; the mouse is free to move over it.
    window = app.CreateResizableWindow("Velmo", 800, 600);
    if (!window) throw std::runtime_error("The saver window cannot be created.");
    window->SetEvents(WindowEvents{[&scene](int key, uint32_t) {
                                     if ((key == VK_ESCAPE || key == 'Q') && !scene.FEnded) scene.EndSaver();
                                   },
                                   nullptr, nullptr, closeEnds, nullptr, resized, nullptr});
  } else {
    window = place ? app.CreateWindowOver("Velmo", place->area) : app.CreateWindow("Velmo");
    if (!window) throw std::runtime_error("The saver window cannot be created.");
    window->SetEvents(WindowEvents{
        [&scene](int key, uint32_t shift) { scene.FormKeyDown(key, shift); },
        [&scene](char c) { scene.FormKeyPress(c); },
        [&scene](uint32_t shift, int x, int y) { scene.FormMouseMove(shift, x, y); },
        [&scene] { scene.TryEndSaver(); },
        // Another program took the focus, or the window was hidden: the
        // user is back at the desktop, so the saver ends as on input.
        [&scene] { scene.TryEndSaver(); },
        nullptr,  // its size is the display mode's
        [&scene] { scene.FormMouseDown(); },
    });
  }
  return window;
}

}  // namespace velmo
