// Keys that a host passes through effEditKeyDown and effEditKeyUp, in the editor's terms.
#pragma once

#include "plugin/vst24.h"
#include "ui/input.h"

namespace brelix::ui {

// The key, the character it types (for a key-down) and the modifiers of a VstKeyCode.
TKeyStroke TranslateVstKey(const VstKeyCode& key);

}  // namespace brelix::ui
