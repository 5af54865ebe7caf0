// The steps every parameter control's edit path shares with the synthesizer: marking the patch
// modified (which tells the host), and whether a slider's edit text follows a value just taken.
#pragma once

namespace brelix {

class XMulti;
class XSynthesizer;

// Sets the voice manager's Modified flag (when bound) and calls the synthesizer's Modify (when
// there is one).
void MarkPatchModified(XMulti* multi, XSynthesizer* synthesizer);

// False only while a host drives the value and EditAutomation is off.
bool EditTextFollows(const XSynthesizer* synthesizer);

}  // namespace brelix
