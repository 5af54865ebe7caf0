#include "editor/control_field.h"

#include <cmath>

namespace brelix {

TSliderReading ReadSliderField(const XPatch& patch, const TSliderField& field) {
  if (field.Kind == TParamKind::IntegerInteger) {
    const int32_t word = ReadPatchInteger(patch, field.Param).value_or(0);
    return {MaskedReadValue(word, field.GetMask), static_cast<float>(word)};
  }
  const float value = ReadPatchSingle(patch, field.Param).value_or(0.0f);
  return {value, value};
}

bool WriteSliderField(XPatch& patch, const TSliderField& field, float value) {
  if (!std::isfinite(value)) return false;
  if (field.Kind == TParamKind::IntegerInteger) {
    return WritePatchWord(patch, field.Param,
                          static_cast<uint32_t>(MaskedWriteWord(value, field.SetMask)));
  }
  if (!WritePatchSingle(patch, field.Param, value)) return false;
  if (field.ScaledParam != 0) {
    WritePatchSingle(patch, field.ScaledParam,
                     RateScaledValue(field.ScaleType, value, patch.Oversample));
  }
  return true;
}

uint32_t ReadListField(const XPatch& patch, int32_t param) {
  return ReadPatchWord(patch, param).value_or(0);
}

bool WriteListField(XPatch& patch, int32_t param, uint32_t value) {
  return WritePatchWord(patch, param, value);
}

bool ReadSwitchField(const XPatch& patch, const TSwitchField& field) {
  const std::optional<uint32_t> word = ReadPatchWord(patch, field.Param);
  if (!word) return false;
  const bool atFalse = *word == field.DefaultFalse;
  return field.Inverted ? atFalse : !atFalse;
}

bool WriteSwitchField(XPatch& patch, const TSwitchField& field, bool on) {
  uint32_t word = on ? field.DefaultTrue : field.DefaultFalse;
  if (field.Inverted) word = ~word;
  return WritePatchWord(patch, field.Param, word);
}

}  // namespace brelix
