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

// The call for a control of any kind (its binding fields carry the same names).
template <class Control>
TParamCall ParamCallOf(const Control& c, double value) {
  TParamCall call;
  call.Synthesizer = c.Synthesizer;
  call.Patch = c.Patch;
  call.Multi = c.Multi;
  call.Param = c.Param;
  call.ii = c.ii;
  call.jj = c.jj;
  call.Tag = c.Tag;
  call.Value = value;
  return call;
}

}  // namespace brelix
