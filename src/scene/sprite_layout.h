#pragma once
// The sprites laid out for the open display: each sized and placed at the
// display's size and given its surfaces, the clock fitted on the screen,
// the gulls drawn at the screen's whole-number scale. Also at a re-layout,
// after the display opened again at a new size.
#include "scene/scene_parts.h"
#include "setup/settings.h"

namespace velmo {

// Lays out every sprite of parts for its open display and fits the clock,
// from the placed one, into settings and onto the clock. A sprite's error
// handler may end the scene meanwhile: ended is then true and the layout stops.
void LayOutSprites(TSceneParts& parts, TSaverSettings& settings, const TClockPlace& placed, const bool& ended);

// What only start-up needed (decoded pictures' pages, the compressed
// pictures' mapped pages) goes back to the system.
void GiveBackStartUpMemory();

}  // namespace velmo
