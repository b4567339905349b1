#pragma once
// The looping sound over SDL2_mixer.
#include <memory>

#include "platform/sound.h"

namespace velmo {

std::unique_ptr<ISound> MakeSdlSound();

}  // namespace velmo
