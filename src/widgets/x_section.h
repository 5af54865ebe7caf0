// XSection: a section header, a label 151 x 16 in SectionColor with its caption in WindowColor,
// bold. A click can be swallowed once (DisableClick); otherwise it is a label's click.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "widgets/x_label.h"

namespace brelix {

class XMulti;
struct XPatch;

class XSection : public XLabel {
 public:
  static constexpr int kDefaultWidth = 151;
  static constexpr int kDefaultHeight = 16;

  explicit XSection(TComponent* owner);

  bool Active = true;
  bool DisableClick = false;  // swallow the next click
  bool Hidden = false;        // on the layer that is not shown
  XMulti* Multi = nullptr;
  XPatch* Patch = nullptr;
  int32_t SectionID = 0;
  std::string SectionName;  // the caption filtered for the host's parameter names
  XSection* SlaveSection = nullptr;
  // Would switch the section's controls on or off; no input calls it.
  std::function<void(XSection& section, bool toggle)> OnAltSectionClick;

  void Click() override;
};

}  // namespace brelix
