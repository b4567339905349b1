#pragma once
// The window factory: the window a scene draws in, for each place a run can
// draw (a daemon's window, a window of its own, full screen over the default
// display or one monitor), with the events of that place routed to the
// scene. Made through the platform's IApplication alone, so any presenter
// behind it serves.
#include <memory>
#include <optional>

#include "platform/platform.h"
#include "scene/saver_options.h"

namespace velmo {

// Makes the window and binds to it those of the scene's handlers that its
// place takes. scene.onClose ends the scene at once, scene.onDeactivate is
// an attempt to end, as input is. In a daemon's window only onClose (the
// daemon's signal) and onResize; in a window of its own also q and Escape,
// as onClose; full screen every input, and a close or a loss of the focus
// as onDeactivate.
// The scene owns the window. Throws std::runtime_error with the user's
// message when the window cannot be made or drawn into. Runs on the loop's
// thread; the events arrive on it too.
std::unique_ptr<IWindow> MakeSceneWindow(IApplication& app, const TSaverOptions& options,
                                         const std::optional<TScreenPlace>& place, const WindowEvents& scene);

}  // namespace velmo
