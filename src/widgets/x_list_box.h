// XListBox: the drop-down list of a list widget (XCombo). It serves whichever list widget last
// dropped it down (Combo); choosing an item (mouse button up, Enter) calls OnChoose and leaves
// the list; Escape or losing the focus leaves it without a choice. Leaving hides it.
#pragma once

#include <functional>

#include "toolkit/list_box.h"

namespace brelix {

class TComponent;
class XCombo;

class XListBox : public TListBox {
 public:
  static constexpr int kDefaultWidth = 151;

  // Background WindowColor, ValueColor 8 points, 151 wide, hidden.
  explicit XListBox(TComponent* owner);

  bool AltKey = false;
  // A reference that leaving the list clears (set only by a control-surface mapping).
  TComponent** ChoosedPointer = nullptr;
  XCombo* Combo = nullptr;
  std::function<void(XCombo& combo, XListBox& list)> OnChoose;

  // The selected item is the choice: OnChoose, then leave.
  void Choose();
  // Clears ChoosedPointer's reference and AltKey, and hides the list.
  void Leave();

  void KeyUp(TKeyEvent& e) override;
  void MouseUp(const TMouseEvent& e) override;
  void Exit() override;
  void PopupDismissed() override { Leave(); }
};

}  // namespace brelix
