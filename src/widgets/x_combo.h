// XCombo: the list widget of a list control. A framed text box showing the chosen item, and a
// framed square holding a filled square (the button). A left press drops the list down (or
// closes it), other buttons run the mouse-down handler (the control's reset).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "widgets/control_links.h"
#include "toolkit/list_box.h"
#include "toolkit/paint_box.h"

namespace brelix {

class XListBox;

class XCombo : public TPaintBox {
 public:
  static constexpr int kDefaultWidth = 151;
  static constexpr int kDefaultHeight = 16;
  static constexpr int kTextLeft = 4, kTextTop = 1;

  // Unless `without_drop_down`, with a hidden drop-down of its own whose choice goes to the
  // combo it serves; background WindowColor, ValueColor bold 8 points, 151 x 16.
  XCombo(TComponent* owner, bool without_drop_down);
  static XCombo* CreateCombo(TComponent* owner, TWidget* parent, int left, int top, bool without_drop_down);

  bool External = false;   // frames and button in KnobColor
  bool AudioOnly = false;  // the control leaves out items not meant for audio
  int32_t ComboIndex = 0;  // position of the shown item
  TListItems Items;
  XListBox* ListBox = nullptr;  // the drop-down, possibly another combo's (which outlives this one)
  std::string TextValue;        // the shown text
  IListControl* Control = nullptr;

  // Shows the first item numbered `number`; without one, position 0 and an empty text.
  void SelectValue(uint32_t number);
  // Drops the list down under (or over) the combo in its parent, or closes it when it is open.
  void DropDown();
  // The choice made in `list` on behalf of `combo`: the handler every combo's own drop-down has.
  static void Choose(XCombo& combo, XListBox& list);

  void Paint(TCanvas& canvas) override;
  void MouseDown(const TMouseEvent& e) override;
  // Over the closed list each notch chooses the previous (turned away from the user) or next item,
  // as a choice from the list does. Taken, so that the page under the list does not scroll.
  bool MouseWheel(int steps, TShiftState shift) override;

 private:
  // Item `index` is chosen: shown, and through the control's edit path when it changes the value.
  void Pick(int index, const TListItem& item);
};

}  // namespace brelix
