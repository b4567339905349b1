#pragma once
// The scene window's component tree and its design-time values, in one place.
#include <string_view>

#include "components/component.h"
#include "platform/platform.h"
#include "scene/scene_parts.h"

namespace velmo {

class TDDsprite;

// What the scene does on its components' events.
struct TSceneHandlers {
  TNotifyEvent displayError;    // DDmain1's OnError
  TNotifyEvent largeGullError;  // DDani1bird's OnError
  TNotifyEvent tick;            // DDtimer1's OnTimer (the timer's thread)
  TNotifyEvent stall;           // DDtimer1's OnZasTime (the timer's thread)
};

// Creates every component of the scene into parts, owned by owner, linked
// to the display device (which draws for window), with the handlers bound
// and the layout's own pictures (rocks and gulls) in place.
void BuildSceneLayout(Component& owner, TSceneParts& parts, Platform& platform, IWindow& window,
                      TSceneHandlers handlers);

// Decodes a picture of the layout (a JPEG of a picture control) into a
// sprite's bitmap; an undecodable picture leaves the bitmap empty.
void LoadPictureInto(std::string_view picture, TDDsprite& sprite);
// The same for a BMP of the layout (rocks, gull strips).
void LoadBitmapInto(std::string_view name, TDDsprite& sprite);

}  // namespace velmo
