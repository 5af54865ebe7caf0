// XParamSlider: a value with a caption label, a numeric edit box and a slider bar, bound to a
// 32-bit field of the patch. The value may follow a response curve on the bar. Every change made
// in the editor or by the host goes through UpdateValue: take the value, mark the patch modified
// and tell the host (Modify), write the field, run the engine call-back, show it.
//
// Right click on the label or the bar resets (Ctrl: undo; Shift: the normal minimum; Alt: the
// middle of the normal range; Shift+Alt: its maximum; none: Default); a double click on the label
// undoes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/control_field.h"
#include "widgets/control_links.h"
#include "editor/param_call.h"
#include "editor/slider_curve.h"
#include "editor/slider_ranges.h"
#include "toolkit/undo_stack.h"
#include "editor/param_layer_state.h"
#include "editor/x_param.h"

namespace brelix {

class TWidget;
class XEdit;
struct TMouseEvent;
class XLabel;
class XSlider;
class XParamSlider;

class XParamSlider : public XParam, public TParamLayerState<XParamSlider>, public IParamControl, public ISliderControl {
 public:
  // The group at (left, top) in `parent`: the label (an empty label text means the caption), the
  // edit box with the extended range (an extended bound of 1e9 means the normal one) and the bar
  // under them. 151 x 31 with the standard metrics.
  XParamSlider(TComponent* owner, std::string_view caption, TWidget* parent, int left, int top,
               double min, double max, double extMin, double extMax, std::string_view labelText);

  bool External = false;
  XSynthesizer* Synthesizer = nullptr;
  bool Active = true;
  bool Hidden = false;
  TSliderCurve Curve = TSliderCurve::Lin;
  TSliderCurve KnobCurve = TSliderCurve::Lin;
  TParamKind Kind = TParamKind::SingleSingle;  // set with SetKind, which tells the edit box too
  int32_t ScaledParam = 0;
  TScaleType ScaleType = TScaleType::OversampleRate;
  float Value = 0;
  float KnobValue = 0;
  float OldValue = 0;
  float Default = 0;
  uint32_t GetMask = 0;
  uint32_t SetMask = 0;
  XEdit* Edit = nullptr;
  XSlider* Slider = nullptr;
  XLabel* Text = nullptr;
  TUndoStack<float> UndoList;
  int32_t Width = 0, Height = 0;
  TParamProc OnGetParam = nullptr;
  TParamProc OnSetParam = nullptr;

  TSliderRanges Ranges() const;
  void SetKind(TParamKind kind);
  // The edit box's display mask (the widget set's number format).
  void SetEditMask(std::string_view mask);
  // Marks a key parameter: the label is drawn bold.
  void Key();

  // Takes and shows `value` (rounded for the integer kinds) without writing it; with `modify`,
  // marks the patch modified and tells the host.
  void SetValue(float value, bool modify);
  void UpdateValue(float value) override;
  void AddUndo() override;
  // The mouse handlers of the label and the bar.
  void ResetHandler(bool ctrl, bool shift, bool alt);
  // A click of the right button (ResetHandler with its modifiers) or of the middle one (as the
  // right one with Alt).
  void ResetClick(const TMouseEvent& e);
  void UndoHandler();

  // ---- IParamControl
  void LoadFrom(XPatch* patch, XMulti* multi) override;
  void GetParam() override;
  void SetParam() override;
  THostParamSpec HostSpec() const override;
  double TableValue() const override { return Value; }
  std::string DisplayText() const override;
  void TakeHostValue(double value, double shown) override;
  void RefreshTexts() override;

  // ---- IParam
  int32_t GetTop() const override;
  bool GetVisible() const override;
  void SetGroupVisible(bool visible) override;
  void Refresh() override;

  // ---- ISliderControl (the bar and the edit box)
  float ControlValue() const override { return Value; }
  void BeginDrag() override;
  void DragTo(float position, bool extended) override;
  void EndDrag() override;
  void Notch(int notches, bool fine) override;

 private:
  TSliderField Field() const;
  // Steps 6 and 7 of taking a value: the edit text and the bar.
  void ShowValue();
};

}  // namespace brelix
