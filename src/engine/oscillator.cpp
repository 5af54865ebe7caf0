#include "engine/oscillator.h"

#include "engine/engine_tables.h"
#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/pow2_lookup.h"
#include "engine/synth_work.h"
#include "engine/voice_kernel.h"

namespace brelix {

void OscPitchNoteOn(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  const QSingle octaves = (w.Notes + p.AuxOscSemitone + p.AuxOscDetune - p.AuxOscCenter) * p.AuxOscTracking * sw.SInv12;
  const QSingle r = Pow2Lookup(sw, octaves);
  w.AuxOscRatio = r;
  w.AuxOscFrequency = (p.AuxOscFixedOsc & (r * p.AuxOscBasePitch)) + p.AuxOscFixedFreq;
  // The sync master follows the tracked note without transposition, fixed frequency or not.
  const QSingle note_octaves = (w.Notes - p.AuxOscCenter) * p.AuxOscTracking * sw.SInv12;
  w.AuxOscPitch = Pow2Lookup(sw, note_octaves) * p.AuxOscBasePitch;
}

void OscPhaseNoteOn(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  // A running phase is nudged by less than 1/256 cycle so stacked voices do not start locked.
  w.AuxOscPhase = (w.AuxOscPhase + (as_word(sw.NoiseGenerator) & sw.PhaseDrift)) & p.AuxOscStartPhase;
  w.AuxOscSaw = QSingle::zero();
  w.AuxOscSyncPhase = QWord::zero();
  w.AuxOscSawz1 = QSingle::zero();
  w.AuxOscPulsez1 = QSingle::zero();
}

namespace {

// The recursions of the oscillators (smoothed sines, saw integrator, DC blocker) never leave an
// infinity or NaN by themselves; a lane that took one since the last tick starts again from rest.
// Every one of them reaches the DC blocker within a sub-sample (through products by 0 too, which
// give NaN), so its lanes alone tell whether to look, at this tick or the next.
void ClearOverflowedStates(XPatchWork& w) {
  if (all(finite_lanes(w.AuxOscDCBlocker))) return;
  w.AuxOscSawz1 = finite_or_zero(w.AuxOscSawz1);
  w.AuxOscPulsez1 = finite_or_zero(w.AuxOscPulsez1);
  w.AuxOscSaw = finite_or_zero(w.AuxOscSaw);
  w.AuxOscDCBlocker = finite_or_zero(w.AuxOscDCBlocker);
}

}  // namespace

QSingle OscModulatedFrequency(const XPatch& p, const XPatchWork& w, QSingle pitch_mod) {
  const QSingle range = select(p.AuxOscFixedRange, w.AuxOscFrequency, p.AuxOscRange);
  return (w.AuxOscPitchMod + pitch_mod) * range + w.AuxOscFrequency;
}

void OscCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w, QSingle pitch_mod) {
  const QSingle f = OscModulatedFrequency(p, w, pitch_mod);
  w.AuxOscDeltaPhase = as_word(trunc_to_int(f * p.AudioPhaseDelta1));
  // Beyond one cycle per sample the increment is saturated anyway; holding the normalised
  // frequency there keeps the depth, correction and gain below finite from any file value
  // (NaN ends at -1 too).
  const QSingle n = clamp(f * p.AudioDelta1, sw.S_1, sw.S1);

  // Sync master at half scale. Below zero pitch the master stands still: a negative increment
  // shifted as a bit pattern would fire the sync almost every other sample.
  const QSingle sync_ratio = max(p.AuxOscSync + w.AuxOscSyncMod, sw.S0);
  const QSingle master = w.AuxOscPitch * (sw.S1 + pitch_mod) * p.AudioPhaseDelta1 * sync_ratio;
  w.AuxOscDeltaSync = as_word(trunc_to_int(max(master, sw.S0))) >> 1;

  // Feedback depth 54 (0.5 - n)^6 x morph: 0.84375 x morph at low pitch, 0 at half the rate.
  QSingle a = sw.S0_5 - n;
  a = a * a;
  w.AuxOscScaling = a * a * a * sw.S54 * (p.AuxOscMorph + w.AuxOscMorphMod);
  w.AuxOscDCAdjust = sw.S0_376 - sw.S0_752 * n;
  // A level that is not finite silences the oscillator rather than its voice.
  w.AuxOscNorm = finite_or_zero((sw.S1 - sw.S2 * n) * (p.AuxOscLevel + w.AuxOscLevelMod));
  ClearOverflowedStates(w);
}

void OscProcess(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  XPatchWork* const voice[1] = {&w};
  const bool live[1] = {true};
  VoiceLaneSet<QSingle> lanes;
  lanes.LoadOscillators(sw, p, voice);
  OscStep(SharedLanes<QSingle>(sw, p), lanes);
  lanes.StoreOscillators(voice, live);
  w.AuxOscValue = finite_or_zero(w.AuxOscValue);  // as the voice sum takes it
}

void OscPitchUpdate(XPatchWork& w) { OscPitchNoteOn(*w.Patch->SynthWork, *w.Patch, w); }

void OscPatchRecalculate(XPatch& p) {
  p.AuxOscFixedOsc = p.AuxOscFixedFreq == QSingle::zero();
  p.AuxOscFixedRange = p.AuxOscRange == QSingle::zero();
  // Centres from files may lie outside the note table: clamp to notes 0..128 before truncating.
  const QInteger centre = trunc_to_int(clamp(p.AuxOscCenter, QSingle::zero(), QSingle::splat(128.0f)));
  for (int lane = 0; lane < 4; ++lane) p.AuxOscBasePitch.set_lane(lane, NoteFrequency[centre.lane(lane)]);
}

}  // namespace brelix
