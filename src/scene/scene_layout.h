#pragma once
// The scene window's component tree and its design-time values, in one place.
#include <string_view>

#include "platform/platform.h"

namespace velmo {

class TForm1;
class TDDsprite;

// Creates every component of the scene, owned by the form, linked to the
// display device, with the handlers bound and the layout's own pictures
// (rocks and gulls) in place.
void BuildSceneLayout(TForm1& form, Platform& platform);

// Decodes a picture of the layout (a JPEG of a picture control) into a
// sprite's bitmap; an undecodable picture leaves the bitmap empty.
void LoadPictureInto(std::string_view picture, TDDsprite& sprite);
// The same for a BMP of the layout (rocks, gull strips).
void LoadBitmapInto(std::string_view name, TDDsprite& sprite);

}  // namespace velmo
