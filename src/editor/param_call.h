// What an engine call-back of a parameter control is given: the synthesizer, the patch and the
// voice manager the control edits, the control's lane, row and stage, and its value. The same
// call serves the control itself and the host parameter table, so a call-back never sees a widget.
#pragma once

#include <cstdint>

#include "editor/patch_field.h"

namespace brelix {

class XMulti;
class XSynthesizer;
struct XPatch;

struct TParamCall {
  XSynthesizer* Synthesizer = nullptr;
  XPatch* Patch = nullptr;
  XMulti* Multi = nullptr;
  int32_t Param = kNoPatchField;  // the control's field
  int32_t ii = 1;                 // lane 1..4 of the field
  int32_t jj = 0;                 // a matrix slot's row
  int32_t Tag = 0;                // a step list's stage
  // The control's value: a slider's number, a list's value number, a switch's 0 or 1. A "get"
  // call-back replaces it; a "set" call-back that sets `Retaken` has put the value the control
  // must show in its place (the voice count taken).
  double Value = 0;
  bool Retaken = false;

  float Float() const { return static_cast<float>(Value); }
  uint32_t Number() const { return static_cast<uint32_t>(Value); }
  bool On() const { return Value != 0; }
};

using TParamProc = void (*)(TParamCall& call);

// The call of an edit of `patch` in `synthesizer` through `multi`, for a binding: anything that
// carries a control's binding fields (Param, ii, jj, Tag) under their names, a control or a host
// parameter's entry.
template <class Binding>
TParamCall ParamCallFor(XSynthesizer* synthesizer, XPatch* patch, XMulti* multi, const Binding& b, double value) {
  return {.Synthesizer = synthesizer, .Patch = patch, .Multi = multi, .Param = b.Param, .ii = b.ii, .jj = b.jj,
          .Tag = b.Tag, .Value = value};
}

// The call for a control of any kind, in the synthesizer, patch and voice manager it edits.
template <class Control>
TParamCall ParamCallOf(const Control& c, double value) {
  return ParamCallFor(c.Synthesizer, c.Patch, c.Multi, c, value);
}

}  // namespace brelix
