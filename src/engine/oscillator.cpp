#include "engine/oscillator.h"

#include "engine/engine_tables.h"
#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/pow2_lookup.h"
#include "engine/synth_work.h"

namespace brelix {

namespace {

// A 32-bit phase indexes the 8192-entry sine table with its top 13 bits; the low 19 bits are
// the interpolation fraction.
constexpr int kPhaseFractionBits = 19;

// One self-modulated sine generator. `z` is its previous smoothed value, already cleared where
// the sync master reset the phase. Stores the new smoothed value and returns the generator's
// output, corrected for the smoothing and for DC.
QSingle Generator(const XSynthWork& sw, const XPatchWork& w, const float* sine, QWord phase, QSingle z,
                  QSingle& smoothed) {
  const QWord modulated = phase + as_word(trunc_to_int(w.AuxOscScaling * z * sw.TwoPow31));
  const QWord i = modulated >> kPhaseFractionBits;
  const QSingle f = to_single(as_integer(modulated & sw.TablePhaseMask)) * sw.InvTablePhaseMask;
  QSingle s0, s1;
  gather_pair(sine, i, s0, s1);
  QSingle v = s0 - (s0 - s1) * f;
  v = (v + z) * sw.S0_5;
  smoothed = v;
  return v * sw.S2_5 + z * sw.S_1_5 + w.AuxOscDCAdjust;
}

}  // namespace

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
  const QSingle n = min(max(f * p.AudioDelta1, sw.S_1), sw.S1);

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
  w.AuxOscNorm = (sw.S1 - sw.S2 * n) * (p.AuxOscLevel + w.AuxOscLevelMod);
}

void OscProcess(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  const float* const sine = reinterpret_cast<const float*>(&sw) + TableOffsets.Sine;

  QWord phase = w.AuxOscPhase + w.AuxOscDeltaPhase;
  QWord sync = w.AuxOscSyncPhase + w.AuxOscDeltaSync;
  // k is all ones until the master completes a cycle; then both generators restart at 0.
  const QWord k = (sync & sw.I80000000) == QWord::zero();
  phase = phase & k;
  sync = sync & k;
  w.AuxOscPhase = phase;
  w.AuxOscSyncPhase = sync;

  const QWord second = phase + as_word(trunc_to_int((p.AuxOscPW + w.AuxOscPWMod) * sw.TwoPow31));
  const QSingle w1 = Generator(sw, w, sine, phase, k & w.AuxOscSawz1, w.AuxOscSawz1);
  const QSingle w2 = Generator(sw, w, sine, second, k & w.AuxOscPulsez1, w.AuxOscPulsez1);

  const QSingle h = min(abs(p.AuxOscSawShape + w.AuxOscSawShapeMod), sw.S1);
  const QSingle a = w.AuxOscSaw * h + w1 * (p.AuxOscSawSigma1 + w.AuxOscSawSigma1Mod) +
                    w2 * (p.AuxOscSawSigma2 + w.AuxOscSawSigma2Mod);
  w.AuxOscSaw = a;
  // The leak's gain compensation stops at 0.01.
  const QSingle o = a * (sw.S1 - min(h, sw.S0_99)) * w.AuxOscNorm;

  const QSingle y = o - w.AuxOscDCBlocker;
  w.AuxOscDCBlocker = w.AuxOscDCBlocker + y * p._AuxOscDCFilter;
  w.AuxOscValue = y;
}

void OscPitchUpdate(XPatchWork& w) { OscPitchNoteOn(*w.Patch->SynthWork, *w.Patch, w); }

void OscPatchRecalculate(XPatch& p) {
  p.AuxOscFixedOsc = p.AuxOscFixedFreq == QSingle::zero();
  p.AuxOscFixedRange = p.AuxOscRange == QSingle::zero();
  // Centres from files may lie outside the note table: clamp to notes 0..128 before truncating.
  const QInteger centre = trunc_to_int(min(max(p.AuxOscCenter, QSingle::zero()), QSingle::splat(128.0f)));
  for (int lane = 0; lane < 4; ++lane) p.AuxOscBasePitch.set_lane(lane, NoteFrequency[centre.lane(lane)]);
}

}  // namespace brelix
