#pragma once
// The real display service over SDL2: the driver's entry points and the
// desktop's facts (modes of SDL's displays, monitors from the window system).
// The objects it makes are in sdl_direct_draw.h, sdl_surface.h and
// sdl_gamma_control.h; frames reach the window through sdl_presenter.h.
#include <memory>

#include "platform/display.h"

struct SDL_Surface;

namespace velmo {

// DesktopMode() falls back to 800 x 600 x 24 when SDL cannot tell.
std::unique_ptr<IDisplayDriver> MakeSdlDisplayDriver();

// Diagnostics and tests: the frame last presented through this primary
// surface (what the window was given), or null for anything else.
const SDL_Surface* PresentedFrame(IDirectDrawSurface7* primary);

}  // namespace velmo
