#include "patch/patch_ini_file.h"

#include "patch/number_text.h"

namespace brelix {

std::string TPatchFile::KeyName(std::string_view base, int index) {
  std::string name(base);
  if (index >= 0) name += "." + std::to_string(index);
  return name;
}

bool TPatchFile::ReadFloat(std::string_view base, int index, float& value) const {
  const std::optional<std::string> text = ReadValue(Section, KeyName(base, index));
  if (!text) return false;
  value = TextToFloat(*text).value_or(0.0f);
  return true;
}

bool TPatchFile::ReadInteger(std::string_view base, int index, int32_t& value) const {
  const std::optional<std::string> text = ReadValue(Section, KeyName(base, index));
  if (!text) return false;
  value = TextToInteger(*text).value_or(0);
  return true;
}

bool TPatchFile::ReadInteger(std::string_view base, int index, uint32_t& value) const {
  int32_t signed_value = 0;
  if (!ReadInteger(base, index, signed_value)) return false;
  value = static_cast<uint32_t>(signed_value);
  return true;
}

bool TPatchFile::ReadString(std::string_view base, int index, std::string& value) const {
  std::optional<std::string> text = ReadValue(Section, KeyName(base, index));
  if (!text) return false;
  value = std::move(*text);
  return true;
}

bool TPatchFile::ReadMask(std::string_view base, int index, uint32_t& value) const {
  if (!ReadInteger(base, index, value)) return false;
  value = value != 0 ? 0xFFFFFFFFu : 0u;
  return true;
}

bool TPatchFile::ReadSource(std::string_view base, int index, uint32_t& value) const {
  if (!ReadInteger(base, index, value)) return false;
  if (value == kOldModSourceConstant) value = kModIndexConstantOrVoid;
  return true;
}

bool TPatchFile::ReadDestination(std::string_view base, int index, uint32_t& value) const {
  if (!ReadInteger(base, index, value)) return false;
  if (value == kOldModDestVoid) value = kModIndexConstantOrVoid;
  return true;
}

void TPatchFile::WriteInteger(std::string_view base, int index, int32_t value) {
  WriteValue(Section, KeyName(base, index), IntegerToText(value));
}

void TPatchFile::WriteInteger(std::string_view base, int index, uint32_t value) {
  WriteInteger(base, index, static_cast<int32_t>(value));
}

void TPatchFile::WriteFloat(std::string_view base, int index, float value) {
  WriteValue(Section, KeyName(base, index), FloatToText(value));
}

void TPatchFile::WriteString(std::string_view base, int index, std::string_view value) {
  WriteValue(Section, KeyName(base, index), value);
}

}  // namespace brelix
