#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace velmo {

// The conversion error of the framework, shown by the entry point's guard.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A whole 32-bit number: optional leading blanks and sign, then decimal
// digits, or hexadecimal after "0x" or "$" (window ids are often given so).
// Anything else raises EConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(const std::string& text);

}  // namespace velmo
