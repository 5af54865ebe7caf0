// XParamButton: an on/off switch bound to a 32-bit field of the patch. Off is the field value
// DefaultFalse, on writes DefaultTrue (the other way round when Inverted). The button itself is the
// widget: a click toggles it and takes the new state through UpdateValue.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/control_field.h"
#include "editor/param_call.h"
#include "widgets/x_button.h"
#include "editor/param_layer_state.h"
#include "editor/x_param.h"

namespace brelix {

class XParamButton;

class XParamButton : public XButton, public TParamLayerState<XParamButton>, public IParamControl {
 public:
  XParamButton(TComponent* owner, std::string_view caption, TWidget* parent, int left, int top);

  XSynthesizer* Synthesizer = nullptr;
  int32_t ii = 1;
  int32_t jj = 0;
  int32_t Param = kNoPatchField;
  int32_t SectionID = 0;
  bool Active = true;
  bool Hidden = false;
  bool Value = false;
  bool Inverted = false;
  uint32_t DefaultFalse = 0;
  uint32_t DefaultTrue = 0xFFFFFFFFu;
  XMulti* Multi = nullptr;
  std::string ParamID;
  XPatch* Patch = nullptr;
  TParamProc OnGetParam = nullptr;
  TParamProc OnSetParam = nullptr;

  void SetField(int32_t param);
  // Takes the switch state: mark modified, tell the host, write, call back, show.
  void UpdateValue(bool on) override;

  // ---- IParamControl
  void LoadFrom(XPatch* patch, XMulti* multi) override;
  void GetParam() override;
  void SetParam() override;
  THostParamSpec HostSpec() const override;
  double TableValue() const override { return Value ? 1.0 : 0.0; }
  std::string DisplayText() const override;
  void TakeHostValue(double value, double shown) override;

  // ---- IParam (the widget's own SetVisible stays reachable)
  using XButton::SetVisible;
  int32_t GetTop() const override;
  bool GetVisible() const override;
  void SetGroupVisible(bool visible) override;
  void Refresh() override;

 private:
  TSwitchField Field() const;
};

}  // namespace brelix
