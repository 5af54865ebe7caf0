// The host parameter names of the editor's controls, built from the captions the pages give:
// "*" and the section's name for a section header ("Osc #1" -> "*Osc1"), the section's name, "."
// and the control's name for a control ("Amp/Volume" in "Voice" -> "Voice.AmpVolume").
//
// TParamNamer carries the naming state of one page build: the section numbers (1, 2, 3, ... in
// creation order) and the last section of each layer, so that a control of the hidden layer built
// right after a hidden section takes that section's name and number, and any other control those
// of the last primary section.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brelix {

constexpr const char* kExtendedParamName = "Extended";  // host parameter 0
constexpr const char* kUnknownParamName = "?";          // out of range, or automation off

// The caption reduced to ASCII letters, digits and "_".
std::string ParamCaptionName(std::string_view caption);

// The name a host is shown with the LegacyParams setting: everything up to and including the
// first "." removed ("Osc1.FreeRun" -> "FreeRun"); section entries have no "." and keep their "*".
std::string LegacyParamName(std::string_view name);

struct TParamNaming {
  std::string Name;   // the host list entry ("*Osc1", "Osc1.FreeRun")
  int32_t SectionID;  // the number of the section (its own number for a section header)
};

class TParamNamer {
 public:
  // A section header built on the primary layer (hidden false) or the hidden one. Its caption's
  // tab characters count as blanks. A section without caption gets no entry (none), yet becomes
  // the last section of its layers all the same, with an empty name.
  std::optional<TParamNaming> Section(std::string_view caption, bool hidden);

  // A control built on the primary layer (hidden false) or the hidden one; none without caption.
  std::optional<TParamNaming> Control(std::string_view caption, bool hidden) const;

 private:
  int32_t SectionTag = 0;         // sections created so far
  int32_t PrimarySectionTag = 0;  // the last section created on the primary layer
  int32_t HiddenSectionTag = 0;   // the last hidden section created after it, 0 if none
  std::string LastSectionName;        // of the last section built on the primary layer
  std::string LastHiddenSectionName;  // of the last section built on either layer
};

}  // namespace brelix
