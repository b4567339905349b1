#include "app/convert.h"

#include <cctype>

namespace velmo {

int32_t StrToInt(const std::string& text) {
  auto fail = [&]() -> int32_t { throw EConvertError("'" + text + "' is not a valid integer value"); };
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return fail();
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int digit;
    if (std::isdigit(c)) digit = c - '0';
    else if (base == 16 && std::isxdigit(c)) digit = std::tolower(c) - 'a' + 10;
    else return fail();
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) return fail();
  }
  // Hexadecimal spells the 32 bits; decimal must fit the signed range.
  if (base == 10 && value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return fail();
  const auto bits = static_cast<uint32_t>(value);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

}  // namespace velmo
