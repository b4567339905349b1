#pragma once
// The virtual-key code and shift state the scene reads, from XKB's key
// symbols and modifier state (the Wayland keyboard's terms). Pure.
#include <xkbcommon/xkbcommon.h>

#include <cstdint>

namespace velmo {

int VirtualKeyOfSym(xkb_keysym_t sym);
// Shift 1, Alt 2, Control 4, as the scene's shift argument has them.
uint32_t ShiftStateOfXkb(xkb_state* state);

}  // namespace velmo
