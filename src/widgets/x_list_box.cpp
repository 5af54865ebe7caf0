#include "widgets/x_list_box.h"

#include "toolkit/form.h"
#include "toolkit/widget_settings.h"
#include "widgets/x_combo.h"

namespace brelix {

XListBox::XListBox(TComponent* owner) : TListBox(owner) {
  const TEditorColors& colors = WidgetSettings().Colors;
  Color = colors.WindowColor;
  Font = {8, false, colors.ValueColor};
  SetSize(kDefaultWidth, Height());
  Hide();
}

void XListBox::Choose() {
  if (OnChoose && Combo != nullptr) OnChoose(*Combo, *this);
  Leave();
}

void XListBox::Leave() {
  if (ChoosedPointer != nullptr) {
    *ChoosedPointer = nullptr;
    ChoosedPointer = nullptr;
  }
  AltKey = false;
  if (TForm* form = Form(); form != nullptr && form->Popup() == this) form->SetPopup(nullptr, nullptr);
  Hide();
}

void XListBox::KeyUp(TKeyEvent& e) {
  if (e.Key == ui::keys::kReturn) {
    e.Key = 0;
    Choose();
  } else if (e.Key == ui::keys::kAlt && AltKey) {
    Choose();
  } else if (e.Key == ui::keys::kEscape) {
    e.Key = 0;
    Leave();
  }
  TListBox::KeyUp(e);
}

void XListBox::MouseUp(const TMouseEvent& e) {
  const bool on_bar = PressOnBar();
  TListBox::MouseUp(e);
  if (!on_bar && Visible()) Choose();
}

void XListBox::Exit() {
  Leave();
  TListBox::Exit();
}

}  // namespace brelix
