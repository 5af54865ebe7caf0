// Keys from the two places they come from, in the editor's terms: X key symbols and the
// VstKeyCode records of effEditKeyDown and effEditKeyUp.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "ui/vst_keys.h"
#include "ui/x11_keys.h"

namespace brelix::ui {
namespace {

TEST(KeyTranslation, XKeySymbolsBecomeKeyCodes) {
  const struct {
    KeySym sym;
    int key;
  } cases[] = {
      {XK_Return, keys::kReturn}, {XK_KP_Enter, keys::kReturn}, {XK_Escape, keys::kEscape},
      {XK_Tab, keys::kTab},       {XK_ISO_Left_Tab, keys::kTab}, {XK_BackSpace, keys::kBack},
      {XK_Delete, keys::kDelete}, {XK_Left, keys::kLeft},       {XK_KP_Up, keys::kUp},
      {XK_Next, keys::kPageDown}, {XK_Home, keys::kHome},       {XK_Alt_L, keys::kAlt},
      {XK_Meta_R, keys::kAlt},    {XK_Control_R, keys::kControl}, {XK_a, keys::kA},
      {XK_F, keys::kA + 5},       {XK_7, keys::k0 + 7},         {XK_KP_3, keys::kNumpad0 + 3},
      {XK_KP_Decimal, keys::kDecimal}, {XK_F12, keys::kF1 + 11}, {XK_dollar, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sym);
    EXPECT_EQ(KeyCodeOfKeySym(c.sym), c.key);
  }
  EXPECT_EQ(ShiftOfState(ShiftMask | Mod1Mask), (TShiftState{.Shift = true, .Alt = true}));
  EXPECT_EQ(ShiftOfState(ControlMask | LockMask), (TShiftState{.Ctrl = true}));
}

TEST(KeyTranslation, HostKeyRecordsBecomeKeysAndCharacters) {
  const struct {
    int32_t character;
    uint8_t virt, modifier;
    int key;
    char c;
    TShiftState shift;
  } cases[] = {
      {0, 4, 0, keys::kReturn, '\r', {}},               // return
      {0, 19, 0, keys::kReturn, '\r', {}},              // keypad enter
      {0, 6, 0, keys::kEscape, 27, {}},
      {0, 1, 0, keys::kBack, '\b', {}},
      {0, 2, 1, keys::kTab, '\t', {.Shift = true}},
      {0, 22, 0, keys::kDelete, 0, {}},
      {0, 11, 1, keys::kLeft, 0, {.Shift = true}},
      {0, 10, 0, keys::kHome, 0, {}},
      {0, 9, 0, keys::kEnd, 0, {}},
      {0, 12, 0, keys::kUp, 0, {}},
      {0, 16, 0, keys::kPageDown, 0, {}},
      {0, 29, 0, keys::kNumpad0 + 5, '5', {}},
      {0, 38, 0, keys::kDecimal, '.', {}},
      {0, 37, 0, keys::kSubtract, '-', {}},
      {0, 39, 0, keys::kDivide, '/', {}},
      {0, 56, 0, keys::kAlt, 0, {}},
      {'7', 0, 0, keys::k0 + 7, '7', {}},
      {'$', 0, 1, 0, '$', {.Shift = true}},
      {'a', 0, 4, keys::kA, 1, {.Ctrl = true}},         // Ctrl+A selects all
      {'a', 0, 8, keys::kA, 1, {.Ctrl = true}},
      {'f', 0, 2, keys::kA + 5, 'f', {.Alt = true}},
      {0, 0, 0, 0, 0, {}},                              // nothing
      {200, 0, 0, 0, 0, {}},                            // not a character the editor knows
      {0, 99, 0, 0, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.character) + "/" + std::to_string(c.virt));
    const TKeyStroke stroke = TranslateVstKey(VstKeyCode{c.character, c.virt, c.modifier});
    EXPECT_EQ(stroke.Key, c.key);
    EXPECT_EQ(stroke.Char, c.c);
    EXPECT_EQ(stroke.Shift, c.shift);
  }
}

}  // namespace
}  // namespace brelix::ui
