// TPatchFile: the in-memory INI file of a patch, with a current section and typed helpers.
//
// Every helper takes a base key name and an index: with an index i >= 0 the key is the base name,
// "." and i ("EnvTime.0"), with -1 the base name alone. Readers return whether the key exists and
// leave the destination alone when it does not; a key that exists but holds no number reads as 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "patch/ini_file.h"

namespace brelix {

// The encodings of the modulation matrices: the current index of "Constant" and "Void" and the
// index that older files stored for each.
constexpr uint32_t kModIndexConstantOrVoid = 65535;
constexpr uint32_t kOldModSourceConstant = 47;
constexpr uint32_t kOldModDestVoid = 79;

class TPatchFile : public TIniFile {
 public:
  using TIniFile::TIniFile;

  std::string Section;  // the section the helpers work on

  static std::string KeyName(std::string_view base, int index);

  // Floats that are not finite ("nan", "inf", beyond the single range) are no numbers.
  bool ReadFloat(std::string_view base, int index, float& value) const;
  bool ReadInteger(std::string_view base, int index, int32_t& value) const;
  bool ReadInteger(std::string_view base, int index, uint32_t& value) const;  // the same bits
  bool ReadString(std::string_view base, int index, std::string& value) const;
  // A lane mask: any value other than 0 reads as all ones.
  bool ReadMask(std::string_view base, int index, uint32_t& value) const;
  // Matrix indices of older files: a source 47 reads as 65535 ("Constant"), a destination 79 as
  // 65535 ("Void").
  bool ReadSource(std::string_view base, int index, uint32_t& value) const;
  bool ReadDestination(std::string_view base, int index, uint32_t& value) const;

  void WriteInteger(std::string_view base, int index, int32_t value);
  void WriteInteger(std::string_view base, int index, uint32_t value);  // as the signed value
  void WriteFloat(std::string_view base, int index, float value);
  void WriteString(std::string_view base, int index, std::string_view value);
};

}  // namespace brelix
