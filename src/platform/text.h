#pragma once
// Text helpers shared by the stores of names that ignore case (resources,
// registry keys and values).
#include <cctype>
#include <string_view>

namespace velmo {

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace velmo
