#include "ui/input.h"

namespace brelix::ui {

int KeyOfChar(char c) {
  if (c >= '0' && c <= '9') return keys::k0 + (c - '0');
  if (c >= 'a' && c <= 'z') return keys::kA + (c - 'a');
  if (c >= 'A' && c <= 'Z') return keys::kA + (c - 'A');
  switch (c) {
    case '\r': return keys::kReturn;
    case '\b': return keys::kBack;
    case '\t': return keys::kTab;
    case 27: return keys::kEscape;
    case ' ': return keys::kSpace;
    case '.': return keys::kDecimal;
    case '-': return keys::kSubtract;
    case '/': return keys::kDivide;
    case '*': return keys::kMultiply;
    default: return 0;
  }
}

}  // namespace brelix::ui
