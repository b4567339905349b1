// SPDX-License-Identifier: MIT
#pragma once
// The looping sound over SDL's own audio: the clip's PCM copied round and
// round by SDL's audio callback, no decoder and no mixer.
#include <memory>

#include "platform/sound.h"

namespace velmo {

std::unique_ptr<ISound> MakeSdlSound();

}  // namespace velmo
