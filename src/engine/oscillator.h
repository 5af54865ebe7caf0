// The four oscillators of a voice, one per lane: sine generators with self phase modulation
// (sine towards band-limited saw), two per oscillator (the second ahead by the pulse width),
// mixed by two weights, through a leaky integrator, an optional hard sync and a DC blocker.
//
// Rates: the pitch at note-on (and when a pitch parameter is edited), the increments and
// frequency-dependent gains once per control tick, the waveform once per audio sub-sample.
#pragma once

#include "engine/qvector.h"

namespace brelix {

struct XSynthWork;
struct XPatch;
struct XPatchWork;

// Note-on, first hook: ratio, frequency and sync master pitch from the voice's note.
void OscPitchNoteOn(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// Note-on, after the LFO hook: keeps (with a small random nudge) or restarts each phase by the
// start-phase mask and clears the waveform state. Reads this sample's noise.
void OscPhaseNoteOn(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// Control tick: phase and sync increments, feedback depth, DC correction and gain (0 where it is
// not finite); waveform states that overflowed since the last tick are emptied.
// `pitch_mod` is the voice's PitchMod in all four lanes.
void OscCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w, QSingle pitch_mod);

// The oscillator's frequency after modulation, for this control tick: the pitch modulation
// scaled by the range (the oscillator's own frequency unless a fixed range is set). The sample
// oscillator of the lane follows it too.
QSingle OscModulatedFrequency(const XPatch& p, const XPatchWork& w, QSingle pitch_mod);

// One audio sub-sample: advances the phases and writes AuxOscValue (0 where it is not finite).
void OscProcess(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// The editor changed a pitch parameter: recomputes the pitch of a sounding voice, in the
// context of its own patch and constant block.
void OscPitchUpdate(XPatchWork& w);

// Derived oscillator values of the patch: the fixed-frequency and fixed-range masks and the
// base pitch of the centre note.
void OscPatchRecalculate(XPatch& p);

}  // namespace brelix
