// The step every parameter control's edit path shares with the synthesizer: marking the patch
// modified (which tells the host).
#pragma once

namespace brelix {

class XMulti;
class XSynthesizer;

// Sets the voice manager's Modified flag (when bound) and calls the synthesizer's Modify (when
// there is one).
void MarkPatchModified(XMulti* multi, XSynthesizer* synthesizer);

}  // namespace brelix
