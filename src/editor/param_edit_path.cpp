#include "editor/param_edit_path.h"

#include "editor/host_param_value.h"
#include "synth/multi.h"
#include "synth/synthesizer.h"

namespace brelix {

void MarkPatchModified(XMulti* multi, XSynthesizer* synthesizer) {
  if (multi != nullptr) multi->Modified = true;
  if (synthesizer != nullptr) synthesizer->Modify();
}

bool EditTextFollows(const XSynthesizer* synthesizer) {
  if (synthesizer == nullptr) return true;
  return EditTextFollowsValue(synthesizer->EditAutomation, synthesizer->Modifying.load());
}

}  // namespace brelix
