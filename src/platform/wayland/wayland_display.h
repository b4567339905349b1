#pragma once
// The display driver of the Wayland backend: the monitors are the
// compositor's outputs (output_layout.h), and display objects hand their
// frames to the windows' own surfaces (frame_sink.h) without SDL's video.
#include <memory>

#include "platform/display.h"

namespace velmo {

class WaylandConnection;

// The connection must outlive the driver.
std::unique_ptr<IDisplayDriver> MakeWaylandDisplayDriver(WaylandConnection& connection);

}  // namespace velmo
