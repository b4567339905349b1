#include "scene/brightness.h"

#include "components/ddgamma.h"

namespace velmo {

void ApplyBrightness(TDDgamma& gamma, int level) {
  gamma.SetEnabled(true);
  if (gamma.GetEnabled()) {
    gamma.SetRGB(level);
    gamma.SetEnabled(false);
  }
}

std::optional<int> StepBrightness(TDDgamma& gamma, int step) {
  gamma.SetEnabled(true);
  if (!gamma.GetEnabled()) return std::nullopt;
  const int value = gamma.GetRGB();
  if (step > 0 && value < 256) gamma.SetRGB(value + 1);
  if (step < 0 && value > 0) gamma.SetRGB(value - 1);
  gamma.SetEnabled(false);
  return gamma.GetRGB();
}

}  // namespace velmo
