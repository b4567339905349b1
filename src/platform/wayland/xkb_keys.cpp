#include "platform/wayland/xkb_keys.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include "platform/window.h"

namespace velmo {

int VirtualKeyOfSym(xkb_keysym_t sym) {
  switch (sym) {
    case XKB_KEY_BackSpace: return VK_BACK;
    case XKB_KEY_Tab: case XKB_KEY_ISO_Left_Tab: return VK_TAB;
    case XKB_KEY_Return: case XKB_KEY_KP_Enter: return VK_RETURN;
    case XKB_KEY_Escape: return VK_ESCAPE;
    case XKB_KEY_space: return VK_SPACE;
    case XKB_KEY_Left: case XKB_KEY_KP_Left: return VK_LEFT;
    case XKB_KEY_Up: case XKB_KEY_KP_Up: return VK_UP;
    case XKB_KEY_Right: case XKB_KEY_KP_Right: return VK_RIGHT;
    case XKB_KEY_Down: case XKB_KEY_KP_Down: return VK_DOWN;
    case XKB_KEY_Delete: case XKB_KEY_KP_Delete: return VK_DELETE;
    case XKB_KEY_Shift_L: case XKB_KEY_Shift_R: return VK_SHIFT;
    case XKB_KEY_Control_L: case XKB_KEY_Control_R: return VK_CONTROL;
    case XKB_KEY_Alt_L: case XKB_KEY_Alt_R: case XKB_KEY_ISO_Level3_Shift: return VK_MENU;
    case XKB_KEY_Page_Up: return 0x21;
    case XKB_KEY_Page_Down: return 0x22;
    case XKB_KEY_End: return 0x23;
    case XKB_KEY_Home: return 0x24;
    case XKB_KEY_Insert: return 0x2D;
    case XKB_KEY_KP_Add: return 0x6B;
    case XKB_KEY_KP_Subtract: return 0x6D;
    case XKB_KEY_plus: case XKB_KEY_equal: return 0xBB;
    case XKB_KEY_minus: return 0xBD;
    default: break;
  }
  if (sym >= XKB_KEY_a && sym <= XKB_KEY_z) return 'A' + static_cast<int>(sym - XKB_KEY_a);
  if (sym >= XKB_KEY_A && sym <= XKB_KEY_Z) return 'A' + static_cast<int>(sym - XKB_KEY_A);
  if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) return '0' + static_cast<int>(sym - XKB_KEY_0);
  if (sym >= XKB_KEY_F1 && sym <= XKB_KEY_F12) return VK_F1 + static_cast<int>(sym - XKB_KEY_F1);
  return static_cast<int>(sym & 0xFF) | 0x100;  // some key: any code the scene ignores
}

uint32_t ShiftStateOfXkb(xkb_state* state) {
  if (state == nullptr) return 0;
  uint32_t shift = 0;
  const auto active = [state](const char* name) {
    return xkb_state_mod_name_is_active(state, name, XKB_STATE_MODS_EFFECTIVE) > 0;
  };
  if (active(XKB_MOD_NAME_SHIFT)) shift |= 1;
  if (active(XKB_MOD_NAME_ALT)) shift |= 2;
  if (active(XKB_MOD_NAME_CTRL)) shift |= 4;
  return shift;
}

}  // namespace velmo
