// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include "platform/display.h"

namespace velmo {

// The 8-bit lookup of each channel that a presenter applies to the pixels it
// shows, taken from the top byte of a 16-bit ramp; a null ramp is the
// identity. Returns whether the tables are the identity (nothing to apply).
// 256 steps a channel; any thread; the caller owns the tables.
inline bool FillRampTables(const DDGAMMARAMP* ramp, std::array<uint8_t, 256>& red, std::array<uint8_t, 256>& green,
                           std::array<uint8_t, 256>& blue) {
  if (!ramp) return true;
  bool identity = true;
  for (int i = 0; i < 256; ++i) {
    red[i] = static_cast<uint8_t>(ramp->red[i] >> 8);
    green[i] = static_cast<uint8_t>(ramp->green[i] >> 8);
    blue[i] = static_cast<uint8_t>(ramp->blue[i] >> 8);
    identity = identity && red[i] == i && green[i] == i && blue[i] == i;
  }
  return identity;
}

}  // namespace velmo
