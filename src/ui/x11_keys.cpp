#include "ui/x11_keys.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace brelix::ui {

int KeyCodeOfKeySym(KeySym sym) {
  if (sym >= XK_0 && sym <= XK_9) return keys::k0 + static_cast<int>(sym - XK_0);
  if (sym >= XK_a && sym <= XK_z) return keys::kA + static_cast<int>(sym - XK_a);
  if (sym >= XK_A && sym <= XK_Z) return keys::kA + static_cast<int>(sym - XK_A);
  if (sym >= XK_KP_0 && sym <= XK_KP_9) return keys::kNumpad0 + static_cast<int>(sym - XK_KP_0);
  if (sym >= XK_F1 && sym <= XK_F12) return keys::kF1 + static_cast<int>(sym - XK_F1);
  switch (sym) {
    case XK_BackSpace: return keys::kBack;
    case XK_Tab:
    case XK_ISO_Left_Tab: return keys::kTab;
    case XK_Return:
    case XK_KP_Enter: return keys::kReturn;
    case XK_Shift_L:
    case XK_Shift_R: return keys::kShift;
    case XK_Control_L:
    case XK_Control_R: return keys::kControl;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R: return keys::kAlt;
    case XK_Escape: return keys::kEscape;
    case XK_space: return keys::kSpace;
    case XK_Prior:
    case XK_KP_Prior: return keys::kPageUp;
    case XK_Next:
    case XK_KP_Next: return keys::kPageDown;
    case XK_End:
    case XK_KP_End: return keys::kEnd;
    case XK_Home:
    case XK_KP_Home: return keys::kHome;
    case XK_Left:
    case XK_KP_Left: return keys::kLeft;
    case XK_Up:
    case XK_KP_Up: return keys::kUp;
    case XK_Right:
    case XK_KP_Right: return keys::kRight;
    case XK_Down:
    case XK_KP_Down: return keys::kDown;
    case XK_Insert:
    case XK_KP_Insert: return keys::kInsert;
    case XK_Delete:
    case XK_KP_Delete: return keys::kDelete;
    case XK_KP_Multiply: return keys::kMultiply;
    case XK_KP_Add: return keys::kAdd;
    case XK_KP_Subtract: return keys::kSubtract;
    case XK_KP_Decimal: return keys::kDecimal;
    case XK_KP_Divide: return keys::kDivide;
    default: return 0;
  }
}

TShiftState ShiftOfState(unsigned int state) {
  return {(state & ShiftMask) != 0, (state & ControlMask) != 0, (state & Mod1Mask) != 0};
}

TKeyStroke TranslateKeyEvent(XKeyEvent event) {
  char text[8] = {};
  KeySym sym = NoSymbol;
  const int length = XLookupString(&event, text, sizeof text, &sym, nullptr);
  TKeyStroke stroke;
  stroke.Key = KeyCodeOfKeySym(sym);
  stroke.Shift = ShiftOfState(event.state);
  // One byte below DEL: Delete types nothing, as the key alone does its work.
  if (length == 1 && static_cast<unsigned char>(text[0]) < 0x7F) stroke.Char = text[0];
  return stroke;
}

}  // namespace brelix::ui
