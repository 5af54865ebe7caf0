#include "ui/vst_keys.h"

namespace brelix::ui {

namespace {

// The VST 2.4 virtual key numbers a host puts into VstKeyCode.virt.
enum VstVirtualKey : int {
  kVkBack = 1, kVkTab, kVkClear, kVkReturn, kVkPause, kVkEscape, kVkSpace, kVkNext, kVkEnd, kVkHome,
  kVkLeft, kVkUp, kVkRight, kVkDown, kVkPageUp, kVkPageDown, kVkSelect, kVkPrint, kVkEnter, kVkSnapshot,
  kVkInsert, kVkDelete, kVkHelp, kVkNumpad0, kVkNumpad9 = kVkNumpad0 + 9, kVkMultiply, kVkAdd, kVkSeparator,
  kVkSubtract, kVkDecimal, kVkDivide, kVkF1, kVkF12 = kVkF1 + 11, kVkNumLock, kVkScroll, kVkShift, kVkControl,
  kVkAlt, kVkEquals,
};

// VstKeyCode.modifier bits: Shift, Alt, Command (the Ctrl key outside the Mac), Control.
constexpr int kModShift = 1, kModAlternate = 2, kModCommand = 4, kModControl = 8;

struct Translated {
  int key;
  char c;
};

Translated OfVirtualKey(int virt) {
  namespace k = keys;
  if (virt >= kVkNumpad0 && virt <= kVkNumpad9) return {k::kNumpad0 + virt - kVkNumpad0, static_cast<char>('0' + virt - kVkNumpad0)};
  if (virt >= kVkF1 && virt <= kVkF12) return {k::kF1 + virt - kVkF1, 0};
  switch (virt) {
    case kVkBack: return {k::kBack, '\b'};
    case kVkTab: return {k::kTab, '\t'};
    case kVkReturn:
    case kVkEnter: return {k::kReturn, '\r'};
    case kVkEscape: return {k::kEscape, 27};
    case kVkSpace: return {k::kSpace, ' '};
    case kVkNext:
    case kVkPageDown: return {k::kPageDown, 0};
    case kVkPageUp: return {k::kPageUp, 0};
    case kVkEnd: return {k::kEnd, 0};
    case kVkHome: return {k::kHome, 0};
    case kVkLeft: return {k::kLeft, 0};
    case kVkUp: return {k::kUp, 0};
    case kVkRight: return {k::kRight, 0};
    case kVkDown: return {k::kDown, 0};
    case kVkInsert: return {k::kInsert, 0};
    case kVkDelete: return {k::kDelete, 0};
    case kVkMultiply: return {k::kMultiply, '*'};
    case kVkAdd: return {k::kAdd, '+'};
    case kVkSubtract: return {k::kSubtract, '-'};
    case kVkDecimal: return {k::kDecimal, '.'};
    case kVkDivide: return {k::kDivide, '/'};
    case kVkShift: return {k::kShift, 0};
    case kVkControl: return {k::kControl, 0};
    case kVkAlt: return {k::kAlt, 0};
    case kVkEquals: return {0, '='};
    default: return {0, 0};
  }
}

}  // namespace

TKeyStroke TranslateVstKey(const VstKeyCode& code) {
  TKeyStroke stroke;
  stroke.Shift = {(code.modifier & kModShift) != 0, (code.modifier & (kModCommand | kModControl)) != 0,
                  (code.modifier & kModAlternate) != 0};
  if (code.virt != 0) {
    const Translated t = OfVirtualKey(code.virt);
    stroke.Key = t.key;
    stroke.Char = t.c;
    return stroke;
  }
  const int c = code.character;
  if (c <= 0 || c >= 0x7F) return stroke;
  stroke.Key = KeyOfChar(static_cast<char>(c));
  stroke.Char = static_cast<char>(c);
  // Ctrl with a letter types its control character (Ctrl+A is 1).
  if (stroke.Shift.Ctrl && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) stroke.Char = static_cast<char>(c & 0x1F);
  return stroke;
}

}  // namespace brelix::ui
