#pragma once
// The settings store under the names the program gives it, over any registry
// (the fake, or the real file store in a temporary directory).
#include "components/setreg.h"

namespace velmo::testing {

struct VelmoStore : TSetReg {
  explicit VelmoStore(IRegistry& registry) : TSetReg(nullptr, registry) {
    SetCompanyName("Corvane");
    SetProductName("Velmo20");
  }
};

}  // namespace velmo::testing
