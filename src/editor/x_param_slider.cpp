#include "editor/x_param_slider.h"

#include <algorithm>

#include "editor/host_param_value.h"
#include "editor/param_edit_path.h"
#include "editor/slider_reset.h"
#include "toolkit/widget_settings.h"
#include "widgets/x_edit.h"
#include "widgets/x_label.h"
#include "widgets/x_slider.h"

namespace brelix {

XParamSlider::XParamSlider(TComponent* owner, std::string_view caption, TWidget* parent, int left,
                           int top, double min, double max, double extMin, double extMax,
                           std::string_view labelText)
    : XParam(owner) {
  const TSliderRanges ranges = MakeSliderRanges(min, max, extMin, extMax);
  Text = XLabel::CreateLabel(this, parent, left, top);
  Text->Caption = std::string(labelText.empty() ? caption : labelText);
  Text->OnDoubleClick = [this] { UndoHandler(); };
  Text->OnMouseDown = [this](const TMouseEvent& e) { ResetClick(e); };

  Edit = XEdit::CreateEdit(this, parent, left + Text->Width(), top);
  Edit->Min = ranges.ExtMin;
  Edit->Max = ranges.ExtMax;
  Edit->Control = this;

  Slider = XSlider::CreateSlider(this, parent, left, top + Edit->Height() + 1);
  Slider->Min = ranges.Min;
  Slider->Max = ranges.Max;
  Slider->ExtMin = ranges.ExtMin;
  Slider->ExtMax = ranges.ExtMax;
  Slider->Overflow = {ranges.OverflowBelow(), ranges.OverflowAbove()};
  Slider->Control = this;
  Slider->OnMouseDown = [this](const TMouseEvent& e) { ResetClick(e); };

  Width = Slider->Width();
  Height = Edit->Height() + Slider->Height() + 1;
  ShowValue();
}

TSliderRanges XParamSlider::Ranges() const {
  return {Slider->Min, Slider->Max, Edit->Min, Edit->Max};
}

void XParamSlider::SetKind(TParamKind kind) {
  Kind = kind;
  Edit->Kind = kind;
}

void XParamSlider::SetEditMask(std::string_view mask) {
  Edit->Mask = std::string(mask);
  ShowValue();
}

void XParamSlider::Key() {
  Text->Font.Bold = true;
  Text->Repaint();
}

TSliderField XParamSlider::Field() const {
  return {Param, Kind, GetMask, SetMask, ScaledParam, ScaleType};
}

void XParamSlider::ShowValue() {
  Edit->SetValue(Value);
  Slider->Value = CurveValueToPosition(Curve, Value, Ranges().Normal());
  Slider->Repaint();
}

void XParamSlider::SetValue(float value, bool modify) {
  KnobValue = value;
  value = KindValue(Kind, value);
  if (modify) MarkPatchModified(Multi, Synthesizer);
  Value = value;
  ShowValue();
}

void XParamSlider::UpdateValue(float value) {
  SetValue(value, true);
  SetParam();
}

void XParamSlider::AddUndo() { UndoList.Add(Value); }

void XParamSlider::ResetHandler(bool ctrl, bool shift, bool alt) {
  if (ctrl) {
    UndoHandler();
    return;
  }
  const float target = SliderResetValue(shift, alt, Ranges().Normal(), Default);
  if (Value != target) AddUndo();
  UpdateValue(target);
  Slider->LastValue = Slider->Value;
}

void XParamSlider::ResetClick(const TMouseEvent& e) {
  // The middle button is the right one with Alt held, for desktops whose window manager takes
  // Alt with a click.
  if (e.Button == ui::TMouseButton::Right) ResetHandler(e.Shift.Ctrl, e.Shift.Shift, e.Shift.Alt);
  if (e.Button == ui::TMouseButton::Middle) ResetHandler(e.Shift.Ctrl, e.Shift.Shift, true);
}

void XParamSlider::UndoHandler() {
  const std::optional<float> value = UndoList.Take();
  if (!value) return;
  UpdateValue(*value);
  Slider->LastValue = Slider->Value;
}

void XParamSlider::LoadFrom(XPatch* patch, XMulti* multi) {
  Patch = patch;
  Multi = multi;
  UndoList.Clear();
  GetParam();
}

void XParamSlider::GetParam() {
  if (Patch != nullptr) {
    const TSliderReading reading = ReadSliderField(*Patch, Field());
    Value = reading.Value;
    KnobValue = reading.KnobValue;
  } else {
    Value = KnobValue = 0;
  }
  if (OnGetParam != nullptr) {
    TParamCall call = ParamCallOf(*this, Value);
    OnGetParam(call);
    Value = call.Float();
  }
  ShowValue();
}

void XParamSlider::SetParam() {
  const float kept = Value;
  if (Patch != nullptr) WriteSliderField(*Patch, Field(), Value);
  if (OnSetParam != nullptr) {
    TParamCall call = ParamCallOf(*this, Value);
    OnSetParam(call);
    if (call.Retaken) SetValue(call.Float(), true);
  }
  Value = kept;
}

THostParamSpec XParamSlider::HostSpec() const {
  THostParamSpec spec = HostSpecOf(*this, THostParamType::Slider);
  spec.Slider = Field();
  spec.Ranges = Ranges();
  spec.Mask = Edit->Mask;
  return spec;
}

void XParamSlider::TakeHostValue(double value, double shown) {
  Value = static_cast<float>(value);
  KnobValue = Value;
  Edit->SetValue(shown);
  Slider->Value = CurveValueToPosition(Curve, static_cast<float>(shown), Ranges().Normal());
  Slider->LastValue = Slider->Value;
  Slider->Repaint();
}

std::string XParamSlider::DisplayText() const { return Edit->Text(); }

void XParamSlider::RefreshTexts() { Edit->SetValue(Value); }

int32_t XParamSlider::GetTop() const { return Text->Top(); }
bool XParamSlider::GetVisible() const { return Slider->Visible(); }

void XParamSlider::SetGroupVisible(bool visible) {
  Edit->SetVisible(visible);
  Text->SetVisible(visible);
  Slider->SetVisible(visible);
}

void XParamSlider::Refresh() {
  Edit->Repaint();
  Text->Repaint();
  Slider->Repaint();
}

void XParamSlider::BeginDrag() { OldValue = Value; }

void XParamSlider::DragTo(float position, bool extended) {
  UpdateValue(CurvePositionToValue(Curve, position, Ranges().Chosen(extended)));
}

void XParamSlider::EndDrag() {
  if (Value != OldValue) UndoList.Push(OldValue);
}

void XParamSlider::Notch(int notches, bool fine) {
  const TSliderRange normal = Ranges().Normal();
  const double span = normal.Max - normal.Min;
  if (notches == 0 || !(span > 0)) return;
  // A value beyond the normal range (typed, or from the extended one) moves back in, never further out.
  BeginDrag();
  if (Kind == TParamKind::SingleSingle) {
    // Along the bar, so that a notch is the same stretch of a curved slider wherever it stands.
    const double position = Slider->Value;
    const double moved = std::clamp(position + notches * span / (fine ? 1000.0 : 100.0),
                                    std::min(normal.Min, position), std::max(normal.Max, position));
    UpdateValue(CurvePositionToValue(Curve, static_cast<float>(moved), normal));
  } else {
    const double step = fine ? 1.0 : std::max(1.0, RoundHalfEven(span / 100.0));
    const double moved = std::clamp(Value + notches * step, std::min(normal.Min, static_cast<double>(Value)),
                                    std::max(normal.Max, static_cast<double>(Value)));
    UpdateValue(static_cast<float>(moved));
  }
  EndDrag();
  Slider->LastValue = Slider->Value;
}

}  // namespace brelix
