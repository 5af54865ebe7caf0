#include "editor/x_param_button.h"

#include "editor/host_param_value.h"
#include "editor/param_edit_path.h"
#include "toolkit/widget_settings.h"

namespace brelix {

XParamButton::XParamButton(TComponent* owner, std::string_view caption, TWidget* parent, int left,
                           int top)
    : XButton(owner) {
  ParamButton = true;
  Caption = std::string(caption);
  Font.Size -= 1;
  PlaceIn(this, parent, left, top);
}

void XParamButton::SetField(int32_t param) {
  Param = param;
  ii = PatchFieldLane(param);
}

TSwitchField XParamButton::Field() const { return {Param, DefaultFalse, DefaultTrue, Inverted}; }

void XParamButton::UpdateValue(bool on) {
  MarkPatchModified(Multi, Synthesizer);
  Value = on;
  SetParam();
  Repaint();
}

void XParamButton::LoadFrom(XPatch* patch, XMulti* multi) {
  Patch = patch;
  Multi = multi;
  GetParam();
}

void XParamButton::GetParam() {
  Value = Patch != nullptr && ReadSwitchField(*Patch, Field());
  if (OnGetParam != nullptr) {
    TParamCall call = ParamCallOf(*this, Value ? 1.0 : 0.0);
    OnGetParam(call);
    Value = call.On();
  }
  Down = Value;
  Repaint();
}

void XParamButton::SetParam() {
  if (Patch != nullptr) WriteSwitchField(*Patch, Field(), Value);
  if (OnSetParam != nullptr) {
    TParamCall call = ParamCallOf(*this, Value ? 1.0 : 0.0);
    OnSetParam(call);
  }
  Down = Value;
}

THostParamSpec XParamButton::HostSpec() const {
  THostParamSpec spec = HostSpecOf(*this, THostParamType::Switch);
  spec.Switch = Field();
  return spec;
}

void XParamButton::TakeHostValue(double value, double) {
  Value = value != 0;
  Down = Value;
  Repaint();
}

std::string XParamButton::DisplayText() const { return SwitchDisplayText(Value); }

int32_t XParamButton::GetTop() const { return Top(); }
bool XParamButton::GetVisible() const { return Visible(); }

void XParamButton::SetGroupVisible(bool visible) {
  TWidget::SetVisible(visible);
}

void XParamButton::Refresh() { Repaint(); }

}  // namespace brelix
