#pragma once
// The real display service over SDL2: exclusive full screen on the app's SDL
// window, surfaces in system memory, presenting only the changed rectangles
// (SdlPresenter), a flip paced to the display's refresh.
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
