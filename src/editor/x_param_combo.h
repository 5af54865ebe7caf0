// XParamCombo: a choice from an option list, bound to a 32-bit field of the patch that stores the
// chosen item's value number. A value that no item carries is kept; the list then shows the item
// of value 0 on a red background. Right click resets to Default (Ctrl: undo); a double click
// undoes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "widgets/control_links.h"
#include "toolkit/list_items.h"
#include "editor/param_call.h"
#include "toolkit/undo_stack.h"
#include "editor/param_layer_state.h"
#include "editor/x_param.h"

namespace brelix {

class TWidget;
class XCombo;
class XLabel;
class XParamCombo;

class XParamCombo : public XParam, public TParamLayerState<XParamCombo>, public IParamControl, public IListControl {
 public:
  // The group at (left, top) in `parent`: unless `withoutLabel`, a label (its text, or the caption
  // when empty) above the list widget. The items come from `itemText` (see list_items.h), or are
  // those of `shared` when given (its list and its drop-down are shared).
  XParamCombo(TComponent* owner, std::string_view caption, TWidget* parent, int left, int top,
              std::string_view itemText, bool withoutLabel, std::string_view labelText,
              XParamCombo* shared, bool audioOnly);

  bool External = false;
  XSynthesizer* Synthesizer = nullptr;
  bool Active = true;
  bool Hidden = false;
  void* PatchWorkPtr = nullptr;  // the voices' field a source list's call-back updates
  int32_t KnobLimit = 0;
  int32_t Width = 0, Height = 0;
  uint32_t Value = 0;
  uint32_t Default = 0;
  XCombo* Combo = nullptr;
  XLabel* Text = nullptr;  // none without a label
  TUndoStack<uint32_t> UndoList;
  TParamProc OnGetParam = nullptr;
  TParamProc OnSetParam = nullptr;

  // The items, shared with the lists built from this one.
  const TListItems& Items() const;
  int32_t ItemCount() const;
  // The group's width (and the list widget's).
  void SetWidth(int width);
  void Key();

  void UpdateValue(uint32_t value) override;
  // Selects by list position (the control-surface stepping; no input reaches it).
  void UpdateIndexValue(int32_t index);
  void AddUndo() override;
  void ResetHandler(bool ctrl);
  void UndoHandler();
  // The value is shown: the item that carries it, or item 0 on red.
  void ShowValue();
  bool UnknownValue() const;

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

  // The number the control stands for: Value, or the number no item carries that GetParam found
  // in the field (Value then is 0). An undo or a reset remembers this one, so that undoing a
  // choice brings the field's own number back instead of item 0.
  uint32_t HeldValue() const { return unknown_field_.value_or(Value); }

  // ---- IListControl
  uint32_t ControlValue() const override { return HeldValue(); }

 private:
  std::optional<uint32_t> unknown_field_;
};

}  // namespace brelix
