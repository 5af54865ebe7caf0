// X11 key events in the editor's terms: the virtual key code of a key symbol, and the modifier
// keys of an event's state.
#pragma once

#include <X11/Xlib.h>

#include "ui/input.h"

namespace brelix::ui {

// 0 for a key the editor has no code for.
int KeyCodeOfKeySym(KeySym sym);
TShiftState ShiftOfState(unsigned int state);
// The key and the character a key press types (XLookupString), with the event's modifiers.
TKeyStroke TranslateKeyEvent(XKeyEvent event);

}  // namespace brelix::ui
