#include "platform/sdl/sdl_keys.h"

#include "platform/window.h"

namespace velmo {

int VirtualKeyOf(SDL_Keycode key) {
  switch (key) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_INSERT: return 0x2D;
    case SDLK_KP_PLUS: return 0x6B;
    case SDLK_KP_MINUS: return 0x6D;
    case SDLK_PLUS: case SDLK_EQUALS: return 0xBB;
    case SDLK_MINUS: return 0xBD;
    default: break;
  }
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return key;
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  return static_cast<int>(key & 0xFF) | 0x100;  // some key: any code the scene ignores
}

char ControlCharOf(SDL_Keycode key) {
  switch (key) {
    case SDLK_ESCAPE: return 27;
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN: case SDLK_KP_ENTER: return 13;
    default: return 0;
  }
}

uint32_t ShiftStateOf(uint16_t mod) {
  uint32_t shift = 0;
  if (mod & KMOD_SHIFT) shift |= 1;
  if (mod & KMOD_ALT) shift |= 2;
  if (mod & KMOD_CTRL) shift |= 4;
  return shift;
}

}  // namespace velmo
