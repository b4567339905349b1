#pragma once
// The end of a scene in order, on what it holds: the sprites give their
// surfaces back before the display closes (they borrow its surfaces), and
// the surf and the saver flag, which belong to the whole saver, go last.
// Runs on the loop's thread; the timer must be stopped first, since its
// tick reads the display.
#include "components/component.h"
#include "platform/platform.h"
#include "scene/scene_parts.h"

namespace velmo {

// Frees the sprites of parts (children of owner), each cleared from parts
// first so that a handler running inside the free finds it gone, then
// closes the display.
void ReleaseSceneComponents(Component& owner, TSceneParts& parts);

// The surf stops; the saver flag is cleared unless a daemon owns it
// (hosted: the daemon is the screen saver there). The primary scene's share.
void GiveBackDesktop(Platform& platform, bool hosted);

}  // namespace velmo
