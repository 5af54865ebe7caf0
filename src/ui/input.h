// Mouse and keyboard input as the widgets see it, whichever backend produced it.
//
// Keys are named by the virtual key codes the editor's key handling is written in (Enter 13,
// Escape 27, Alt 18); typed characters arrive separately as bytes (Backspace 8, Enter 13,
// Ctrl+A 1), after the key-down that produced them.
#pragma once

namespace brelix::ui {

enum class TMouseButton { Left, Right, Middle };

// The modifier keys held during an event.
struct TShiftState {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
  friend bool operator==(TShiftState, TShiftState) = default;
};

namespace keys {
constexpr int kBack = 8;
constexpr int kTab = 9;
constexpr int kReturn = 13;
constexpr int kShift = 16;
constexpr int kControl = 17;
constexpr int kAlt = 18;
constexpr int kEscape = 27;
constexpr int kSpace = 32;
constexpr int kPageUp = 33;
constexpr int kPageDown = 34;
constexpr int kEnd = 35;
constexpr int kHome = 36;
constexpr int kLeft = 37;
constexpr int kUp = 38;
constexpr int kRight = 39;
constexpr int kDown = 40;
constexpr int kInsert = 45;
constexpr int kDelete = 46;
constexpr int k0 = 48;        // "0".."9" are 48..57
constexpr int kA = 65;        // "A".."Z" are 65..90
constexpr int kNumpad0 = 96;  // keypad digits 96..105
constexpr int kMultiply = 106;
constexpr int kAdd = 107;
constexpr int kSubtract = 109;
constexpr int kDecimal = 110;
constexpr int kDivide = 111;
constexpr int kF1 = 112;  // F1..F12 are 112..123
}  // namespace keys

// The key that types `c` on a keyboard ("0".."9", letters, Enter, Backspace, Tab, Escape, space,
// and ".", "-", "/", "*" on the keypad); 0 for other characters.
int KeyOfChar(char c);

// One key as a backend delivers it: the key's code (0 when it has none) and the character it
// types (0 when it types none).
struct TKeyStroke {
  int Key = 0;
  char Char = 0;
  TShiftState Shift;
};

}  // namespace brelix::ui
