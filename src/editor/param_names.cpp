#include "editor/param_names.h"

namespace brelix {
namespace {

bool KeptInName(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::string ParamCaptionName(std::string_view caption) {
  std::string name;
  for (char c : caption) {
    if (KeptInName(c)) name += c;
  }
  return name;
}

std::string LegacyParamName(std::string_view name) {
  const size_t dot = name.find('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(dot + 1));
}

std::optional<TParamNaming> TParamNamer::Section(std::string_view caption, bool hidden) {
  // The section is the last of its layers whether or not it gets an entry.
  const std::string name = ParamCaptionName(caption);
  if (!hidden) LastSectionName = name;
  LastHiddenSectionName = name;
  if (caption.empty()) return std::nullopt;
  ++SectionTag;
  if (hidden) {
    HiddenSectionTag = SectionTag;
  } else {
    PrimarySectionTag = SectionTag;
    HiddenSectionTag = 0;
  }
  return TParamNaming{"*" + name, SectionTag};
}

std::optional<TParamNaming> TParamNamer::Control(std::string_view caption, bool hidden) const {
  if (caption.empty()) return std::nullopt;
  const int32_t section = hidden && HiddenSectionTag != 0 ? HiddenSectionTag : PrimarySectionTag;
  const std::string& sectionName = hidden ? LastHiddenSectionName : LastSectionName;
  return TParamNaming{sectionName + "." + ParamCaptionName(caption), section};
}

}  // namespace brelix
