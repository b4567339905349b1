#pragma once
// The window factory: the window a scene draws in, for each place a run can
// draw (a daemon's window, a window of its own, full screen over the default
// display or one monitor), with its events routed to the scene. Made through
// the platform's IApplication alone, so any presenter behind it serves.
#include <memory>
#include <optional>

#include "platform/platform.h"
#include "scene/saver_options.h"

namespace velmo {

class TForm1;

// Makes and wires the window; the scene owns it. Throws std::runtime_error
// with the user's message when the window cannot be made or drawn into.
// Runs on the loop's thread; the events arrive on it too.
std::unique_ptr<IWindow> MakeSceneWindow(TForm1& scene, IApplication& app, const TSaverOptions& options,
                                         const std::optional<TScreenPlace>& place);

}  // namespace velmo
