// How each kind of parameter control reads its value from its patch field and writes it back:
// the field side of a control's GetParam and SetParam, without the widgets and call-backs.
//
// A control bound to no field (position -1) reads 0 or off and writes nothing; so does one whose
// position fails the checks of patch_field.h.
#pragma once

#include <cstdint>

#include "widgets/param_kind.h"
#include "editor/patch_field.h"
#include "editor/rate_scaled_param.h"
#include "engine/patch.h"

namespace brelix {

// ---- slider -----------------------------------------------------------------------------------

struct TSliderField {
  int32_t Param = kNoPatchField;
  TParamKind Kind = TParamKind::SingleSingle;
  uint32_t GetMask = 0;     // IntegerInteger: if non-zero, the bits kept when reading
  uint32_t SetMask = 0;     // IntegerInteger: bits set when writing
  int32_t ScaledParam = 0;  // position of the field that gets the rate-scaled copy; 0 for none
  TScaleType ScaleType = TScaleType::OversampleRate;
};

struct TSliderReading {
  float Value;      // what the control shows (masked for an integer field with a GetMask)
  float KnobValue;  // the field as it stands
};

TSliderReading ReadSliderField(const XPatch& patch, const TSliderField& field);

// Writes `value`: an IntegerInteger field gets the truncated value with SetMask's bits; a float
// field gets the value and, with a ScaledParam, the rate-scaled copy at the patch's Oversample. A
// value that is not finite writes nothing (the field keeps its value). True when the field was
// written.
bool WriteSliderField(XPatch& patch, const TSliderField& field, float value);

// ---- list -------------------------------------------------------------------------------------

// The value number stored in the 32-bit field.
uint32_t ReadListField(const XPatch& patch, int32_t param);
bool WriteListField(XPatch& patch, int32_t param, uint32_t value);

// ---- switch -----------------------------------------------------------------------------------

struct TSwitchField {
  int32_t Param = kNoPatchField;
  uint32_t DefaultFalse = 0;           // the field value meaning off
  uint32_t DefaultTrue = 0xFFFFFFFFu;  // the field value written for on
  bool Inverted = false;               // compare and write the field inverted
};

// On for any field value other than DefaultFalse (only for DefaultFalse when inverted).
bool ReadSwitchField(const XPatch& patch, const TSwitchField& field);
bool WriteSwitchField(XPatch& patch, const TSwitchField& field, bool on);

}  // namespace brelix
