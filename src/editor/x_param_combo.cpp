#include "editor/x_param_combo.h"

#include <algorithm>

#include "editor/host_param_value.h"
#include "editor/param_edit_path.h"
#include "editor/patch_field.h"
#include "editor/control_field.h"
#include "toolkit/widget_settings.h"
#include "widgets/x_combo.h"
#include "widgets/x_label.h"
#include "widgets/x_list_box.h"

namespace brelix {

namespace {
// The list widget of a value that no item carries.
constexpr TColor kUnknownValueColor = 0x0000FF;  // pure red
}  // namespace

XParamCombo::XParamCombo(TComponent* owner, std::string_view caption, TWidget* parent, int left,
                         int top, std::string_view itemText, bool withoutLabel,
                         std::string_view labelText, XParamCombo* shared, bool audioOnly)
    : XParam(owner) {
  int combo_top = top + 1;
  if (!withoutLabel) {
    Text = XLabel::CreateLabel(this, parent, left, top);
    Text->SetSize(kColumnWidth, Text->Height());
    Text->Caption = std::string(labelText.empty() ? caption : labelText);
    Text->OnDoubleClick = [this] { UndoHandler(); };
    Text->OnMouseDown = [this](const TMouseEvent& e) {
      if (e.Button == ui::TMouseButton::Right) ResetHandler(e.Shift.Ctrl);
    };
    combo_top += Text->Height();
  } else {
    combo_top += 1;
  }

  const bool sharing = shared != nullptr && shared->Combo != nullptr;
  Combo = XCombo::CreateCombo(this, parent, left, combo_top, sharing);
  Combo->AudioOnly = audioOnly;
  Combo->Control = this;
  Combo->OnDoubleClick = [this] { UndoHandler(); };
  Combo->OnMouseDown = [this](const TMouseEvent& e) {
    if (e.Button == ui::TMouseButton::Right) ResetHandler(e.Shift.Ctrl);
  };
  if (sharing) {
    Combo->Items = shared->Combo->Items;
    Combo->ListBox = shared->Combo->ListBox;
  } else {
    Combo->Items = BuildListItems(itemText, audioOnly, WidgetSettings().ComboSort);
    if (Combo->ListBox != nullptr) Combo->ListBox->SetItems(Combo->Items);
  }

  ShowValue();
  Width = Combo->Width();
  Height = withoutLabel ? Combo->Height() + 2 : Text->Height() + Combo->Height() + 1;
}

const TListItems& XParamCombo::Items() const { return Combo->Items; }
int32_t XParamCombo::ItemCount() const { return static_cast<int32_t>(Combo->Items.size()); }

void XParamCombo::SetWidth(int width) {
  Width = width;
  Combo->SetSize(width, Combo->Height());
  if (Combo->ListBox != nullptr && Combo->ListBox->Owner() == Combo)
    Combo->ListBox->SetSize(width, Combo->ListBox->Height());
}

void XParamCombo::Key() {
  if (Text == nullptr) return;
  Text->Font.Bold = true;
  Text->Repaint();
}

bool XParamCombo::UnknownValue() const { return FindListValue(Items(), Value) < 0; }

void XParamCombo::ShowValue() {
  if (UnknownValue()) {
    // The value stays what it is (and is stored); the list shows the item of 0 on red, a colour
    // that later valid values keep.
    Combo->Color = kUnknownValueColor;
    Combo->SelectValue(0);
  } else {
    Combo->SelectValue(Value);
  }
  Combo->Repaint();
}

void XParamCombo::UpdateValue(uint32_t value) {
  MarkPatchModified(Multi, Synthesizer);
  Value = value;
  unknown_field_.reset();
  ShowValue();
  SetParam();
}

void XParamCombo::UpdateIndexValue(int32_t index) {
  if (index < 0 || index >= ItemCount()) return;
  UpdateValue(Items()[static_cast<size_t>(index)].Value);
}

void XParamCombo::AddUndo() { UndoList.Add(HeldValue()); }

void XParamCombo::ResetHandler(bool ctrl) {
  if (ctrl) {
    UndoHandler();
    return;
  }
  if (HeldValue() != Default) AddUndo();
  UpdateValue(Default);
}

void XParamCombo::UndoHandler() {
  const std::optional<uint32_t> value = UndoList.Take();
  if (value) UpdateValue(*value);
}

void XParamCombo::LoadFrom(XPatch* patch, XMulti* multi) {
  Patch = patch;
  Multi = multi;
  UndoList.Clear();
  GetParam();
}

void XParamCombo::GetParam() {
  Value = Patch != nullptr ? ReadListField(*Patch, Param) : 0;
  if (OnGetParam != nullptr) {
    TParamCall call = ParamCallOf(*this, Value);
    OnGetParam(call);
    Value = call.Number();
  }
  unknown_field_.reset();
  if (UnknownValue()) {
    Combo->Color = kUnknownValueColor;
    unknown_field_ = Value;
    Value = 0;
  }
  ShowValue();
}

void XParamCombo::SetParam() {
  if (Patch != nullptr) WriteListField(*Patch, Param, Value);
  if (OnSetParam != nullptr) {
    TParamCall call = ParamCallOf(*this, Value);
    OnSetParam(call);
  }
}

THostParamSpec XParamCombo::HostSpec() const {
  THostParamSpec spec = HostSpecOf(*this, THostParamType::List);
  spec.Items = &Items();
  return spec;
}

void XParamCombo::TakeHostValue(double value, double) {
  Value = static_cast<uint32_t>(value);
  unknown_field_.reset();
  ShowValue();
}

std::string XParamCombo::DisplayText() const { return Combo->TextValue; }

void XParamCombo::RefreshTexts() {
  if (Combo->ListBox != nullptr) Combo->ListBox->SetItems(Combo->Items);
}

int32_t XParamCombo::GetTop() const { return Text != nullptr ? Text->Top() : Combo->Top(); }
bool XParamCombo::GetVisible() const { return Combo->Visible(); }

void XParamCombo::SetGroupVisible(bool visible) {
  Combo->SetVisible(visible);
  if (Text != nullptr) Text->SetVisible(visible);
}

void XParamCombo::Refresh() {
  if (Text != nullptr) Text->Repaint();
  Combo->Repaint();
}

}  // namespace brelix
