#pragma once
// The picture's brightness through the display's gamma control: 0 (black)
// to 256 (as drawn). A display without one keeps its picture as it is.
#include <optional>

namespace velmo {

class TDDgamma;

// Sets the ramp to level where the display has a gamma control.
void ApplyBrightness(TDDgamma& gamma, int level);
// One step brighter (step 1) or darker (-1), within 0..256; the new level,
// or nothing when the display has no gamma control.
std::optional<int> StepBrightness(TDDgamma& gamma, int step);

}  // namespace velmo
