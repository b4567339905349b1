#include "setup/number_field.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace velmo {

int64_t ParseLikeAtol(std::string_view text) {
  size_t i = 0;
  // C's isspace set: blank, tab, newline, vertical tab, form feed, carriage return.
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  size_t end = i;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  if (end == i) return 0;
  int64_t magnitude = 0;
  auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + end, magnitude);
  (void)ptr;
  if (ec == std::errc::result_out_of_range)
    return negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  return negative ? -magnitude : magnitude;
}

int ClampLowerFirst(int64_t value, int64_t lower, int64_t upper) {
  if (value < lower) {
    value = lower;
  } else if (value > upper) {
    value = upper;
  }
  return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace velmo
