#include "editor/param_edit_path.h"

#include "synth/multi.h"
#include "synth/synthesizer.h"

namespace brelix {

void MarkPatchModified(XMulti* multi, XSynthesizer* synthesizer) {
  if (multi != nullptr) multi->Modified = true;
  if (synthesizer != nullptr) synthesizer->Modify();
}

}  // namespace brelix
