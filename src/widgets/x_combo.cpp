#include "widgets/x_combo.h"

#include <algorithm>

#include "toolkit/focus_parent.h"
#include "toolkit/form.h"
#include "toolkit/widget_settings.h"
#include "widgets/x_list_box.h"

namespace brelix {

XCombo::XCombo(TComponent* owner, bool without_drop_down) : TPaintBox(owner) {
  const TEditorColors& colors = WidgetSettings().Colors;
  Color = colors.WindowColor;
  Font = {8, true, colors.ValueColor};
  SetSize(kDefaultWidth, kDefaultHeight);
  if (!without_drop_down) {
    ListBox = new XListBox(this);
    ListBox->OnChoose = &XCombo::Choose;
  }
}

XCombo* XCombo::CreateCombo(TComponent* owner, TWidget* parent, int left, int top, bool without_drop_down) {
  return PlaceIn(new XCombo(owner, without_drop_down), parent, left, top);
}

void XCombo::SelectValue(uint32_t number) {
  const int32_t i = FindListValue(Items, number);
  ComboIndex = std::max(i, 0);
  TextValue = i >= 0 ? Items[static_cast<size_t>(i)].Text : std::string();
}

void XCombo::Paint(TCanvas& canvas) {
  const TEditorColors& colors = WidgetSettings().Colors;
  const int w = Width(), h = Height();
  const TColor frame = External ? colors.KnobColor : colors.FrameColor;
  canvas.FrameRect({0, 0, w - h - 1, h}, frame);
  canvas.FrameRect({w - h, 0, w, h}, frame);
  canvas.FillRect(TRect::FromSize(w - h + 4, 4, h - 8, h - 8), External ? colors.KnobColor : colors.FontColor);
  // A text longer than the box stops at the frame instead of running over the button.
  cairo_t* cr = canvas.Cairo();
  cairo_save(cr);
  cairo_rectangle(cr, 1, 1, std::max(w - h - 3, 0), std::max(h - 2, 0));
  cairo_clip(cr);
  canvas.SetFont(Font);
  canvas.TextOutOpaque(kTextLeft, kTextTop, TextValue, Color);
  cairo_restore(cr);
}

void XCombo::MouseDown(const TMouseEvent& e) {
  FocusParent(*this);
  if (e.Button == ui::TMouseButton::Left)
    DropDown();
  else
    TPaintBox::MouseDown(e);
}

void XCombo::DropDown() {
  if (ListBox == nullptr || Parent() == nullptr) return;
  XListBox& list = *ListBox;
  list.Combo = this;
  list.SetParent(Parent());
  if (list.Visible()) {
    list.Hide();
    return;
  }
  list.BringToFront();
  list.Show();
  const int parent_height = Parent()->ClientRect().Height();
  const int h = static_cast<int>(list.Items().size()) * list.ItemHeight() + 2 * TListBox::kBorder;
  if (h < parent_height) {
    int top = Top() + Height();
    if (top + h > parent_height) top = parent_height - h;
    list.SetBounds(Left(), top, list.Width(), h);
  } else {
    list.SetBounds(Left(), 0, list.Width(), parent_height);
  }
  list.SetItemIndex(ComboIndex);
  list.SetFocus();
  if (TForm* form = Form()) form->SetPopup(&list, this);
}

void XCombo::Choose(XCombo& combo, XListBox& list) {
  const int i = list.ItemIndex();
  if (i < 0) return;
  combo.Pick(i, list.Items()[static_cast<size_t>(i)]);
}

void XCombo::Pick(int index, const TListItem& item) {
  ComboIndex = index;
  TextValue = item.Text;
  if (Control != nullptr) {
    if (item.Value != Control->ControlValue()) Control->AddUndo();
    Control->UpdateValue(item.Value);
  } else {
    Repaint();
  }
}

bool XCombo::MouseWheel(int steps, TShiftState) {
  const bool open = ListBox != nullptr && ListBox->Combo == this && ListBox->Visible();
  const int count = static_cast<int>(Items.size());
  if (open || count == 0 || steps == 0) return true;
  const int index = std::clamp(ComboIndex - steps, 0, count - 1);
  if (index != ComboIndex || TextValue != Items[static_cast<size_t>(index)].Text) Pick(index, Items[static_cast<size_t>(index)]);
  return true;
}

}  // namespace brelix
