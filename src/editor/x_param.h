// What every parameter control shares: the binding to a patch field (XParam, for the slider and
// list controls; the switch carries the same fields on its button), the interface the form's layer
// switching treats controls and sections through (IParam), and the interface the host parameter
// list and the page reload drive them through (IParamControl).
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/component.h"
#include "editor/host_param_table.h"
#include "editor/patch_field.h"

namespace brelix {

class XMulti;
class XSynthesizer;
struct XPatch;

// The layer switching's view of a control or a section header.
class IParam {
 public:
  virtual ~IParam() = default;
  virtual bool GetActive() const = 0;
  virtual bool GetHidden() const = 0;
  virtual void SetHidden(bool hidden) = 0;
  virtual void SetSectionID(int32_t id) = 0;
  // The top of the group's first widget in its page box.
  virtual int32_t GetTop() const = 0;
  virtual bool GetVisible() const = 0;
  // Shows or hides the group's widgets.
  virtual void SetGroupVisible(bool visible) = 0;
  virtual void Refresh() = 0;
};

// The edit path of a control as the page reload and the host parameters drive it.
class IParamControl {
 public:
  virtual ~IParamControl() = default;
  // Binds the control to a patch and its voice manager, empties its undo stack and reads it.
  virtual void LoadFrom(XPatch* patch, XMulti* multi) = 0;
  // Reads the field into the control and shows it.
  virtual void GetParam() = 0;
  // Writes the control's value into the field and runs the engine call-back.
  virtual void SetParam() = 0;
  // What the host parameter table keeps of the control (read once, when the table is built).
  virtual THostParamSpec HostSpec() const = 0;
  // The value the table keeps (a list's number, a switch's 0 or 1) and the text a host is shown.
  virtual double TableValue() const = 0;
  virtual std::string DisplayText() const = 0;
  // Shows a value a host wrote into the table (which has already run the edit path): `value`
  // is the control's value, `shown` the number its box shows.
  virtual void TakeHostValue(double value, double shown) = 0;
  // Rewrites the shown texts from the value (a later open of the editor).
  virtual void RefreshTexts() {}
};

// The binding of a slider or list control.
class XParam : public TComponent {
 public:
  explicit XParam(TComponent* owner) : TComponent(owner) {}

  XMulti* Multi = nullptr;    // whose Modified flag an edit sets
  XPatch* Patch = nullptr;    // the record the control reads and writes
  int32_t ii = 1;             // lane 1..4 of the bound field
  int32_t jj = 0;             // a second index for the call-backs
  int32_t Param = kNoPatchField;  // byte position of the field in XPatch, -1 for none
  int32_t SectionID = 0;
  std::string ParamID;        // the host parameter name

  // Binds the control to the field at `param` (-1 for none); ii follows.
  void SetField(int32_t param);
};

}  // namespace brelix
