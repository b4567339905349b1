#pragma once
// SDL's keys in the terms the scene reads: virtual-key codes, the control
// character a key types without a text event, and the shift state. Pure
// functions; any thread.
#include <SDL.h>

#include <cstdint>

namespace velmo {

// Keys whose virtual-key code differs from the SDL keycode's upper-case
// form are mapped; any other key gets a code the scene ignores.
int VirtualKeyOf(SDL_Keycode key);
// Escape, Backspace, Tab and Return: their character; 0 for other keys.
char ControlCharOf(SDL_Keycode key);
// Shift 1, Alt 2, Control 4.
uint32_t ShiftStateOf(uint16_t mod);

}  // namespace velmo
