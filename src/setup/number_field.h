#pragma once
// Reading and bounding the dialog's number fields.
#include <cstdint>
#include <string_view>

namespace velmo {

// Reads a decimal number the way C's atol does: leading blanks, an optional
// sign, then digits up to the first other character; no digits gives 0.
// Numbers too large for 64 bits saturate instead of overflowing.
int64_t ParseLikeAtol(std::string_view text);

// Tests the lower bound first and the upper only when the value is not below
// the lower one, so an empty range yields the lower bound. Bounds are 64-bit
// so that bounds computed from stored values cannot overflow; the result
// saturates to the int range.
int ClampLowerFirst(int64_t value, int64_t lower, int64_t upper);

// True for the characters a number field lets through when typed.
constexpr bool IsNumberFieldChar(char32_t c) { return c >= U'0' && c <= U'9'; }

}  // namespace velmo
