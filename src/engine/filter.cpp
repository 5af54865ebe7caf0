#include "engine/filter.h"

#include <cmath>
#include <mutex>

#include "engine/engine_tables.h"
#include "engine/global_memory.h"
#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/pow2_lookup.h"
#include "engine/synth_work.h"

namespace brelix {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kPanController = 10;  // controller slot of the channel pan

float tune_storage[kFilterTuneLength];
std::once_flag tune_once;

void BuildTuneTable() {
  for (int i = 0; i <= kFilterTuneSteps; ++i)
    tune_storage[i] = static_cast<float>(std::tan(kPi / 4.0 * i / kFilterTuneSteps));
  tune_storage[kFilterTuneSteps + 1] = tune_storage[kFilterTuneSteps];
}

// Weights of u, y1, y2, y3, y4 per type; the last row is "Bypass".
constexpr float kTypeWeights[kFilterTypeCount][5] = {
    {0, 0, 0, 0, 1},    // LowPass4
    {0, 0, 0, 1, 0},    // LowPass3
    {0, 0, 1, 0, 0},    // LowPass2
    {0, 1, 0, 0, 0},    // LowPass1
    {1, -4, 6, -4, 1},  // HighPass4
    {0, 0, 2, -4, 2},   // BandPass2+2
    {1, -2, 2, 0, 0},   // BandStop2 (Notch2)
    {0, -1, 0, 0, 1},   // LowPass4-1
    {1, 0, 0, 0, 0},    // Bypass
};

// Linear interpolation between entries i and i + 1 of `table` at position x, whose integer part
// the caller has already kept inside the table.
QSingle Interpolate(const float* table, QWord first, QSingle x) {
  const QInteger i = trunc_to_int(x);
  const QSingle f = x - to_single(i);
  QSingle a, b;
  gather_pair(table, first + as_word(i), a, b);
  return a - (a - b) * f;
}

// The four stage states after a note-on: s1 = 1, the others 0; lanes set in `keep` stay as they are.
void ResetStates(const XSynthWork& sw, XPatchWork& w, QWord keep) {
  w.FilterBuf1 = select(keep, w.FilterBuf1, sw.S1);
  w.FilterBuf2 = select(keep, w.FilterBuf2, sw.S0);
  w.FilterBuf3 = select(keep, w.FilterBuf3, sw.S0);
  w.FilterBuf4 = select(keep, w.FilterBuf4, sw.S0);
}

}  // namespace

const float* const FilterTuneTable = tune_storage;

void FilterTypeWeights(uint32_t type, float& pole0, float& pole1, float& pole2, float& pole3, float& pole4) {
  const float* weights = kTypeWeights[type < kFilterTypeCount ? type : kFilterTypeBypass];
  pole0 = weights[0];
  pole1 = weights[1];
  pole2 = weights[2];
  pole3 = weights[3];
  pole4 = weights[4];
}

void FilterInitTables(XGlobalMemory& memory) {
  std::call_once(tune_once, BuildTuneTable);
  FillTanhTable(reinterpret_cast<float*>(memory.GlobalStart) + TableOffsets.Tanh);
}

void FilterPatchRecalculate(XPatch& p) {
  p.FilterFixedRange = p.FilterRange == QSingle::zero();
  p.FilterFeedbackTable = QOffset::splat(TableOffsets.Tanh);
  p.FilterFeedbackSize = QSingle::splat(static_cast<float>(kTableSteps));
  p.FilterFeedbackGain = QSingle::splat(static_cast<float>(kTableSteps / 4));
}

void FilterKeyTrack(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  const QSingle octaves = (w.Notes - p.FilterCenter) * p.FilterTracking * sw.SInv12;
  w.FilterRatio = Pow2Lookup(sw, octaves);
}

void FilterTrackUpdate(XPatchWork& w) { FilterKeyTrack(*w.Patch->SynthWork, *w.Patch, w); }

void FilterNoteOn(const XSynthWork& sw, const XPatch&, XPatchWork& w) { ResetStates(sw, w, QWord::zero()); }

void FilterNoteOnClick(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  ResetStates(sw, w, p.FilterDeclick);
}

void FilterCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  const QSingle c = p.FilterCutoff * w.FilterRatio;
  const QSingle range = select(p.FilterFixedRange, c, w.FilterRatio * p.FilterRange);
  const QSingle fc = max(c + range * (w.FilterCutoffMod + w.FilterVelocityMod), sw.S0);  // NaN gives 0
  // At or above AR/4 the coefficient stays at tan(pi/4) = 1; the lower bound only catches NaN.
  const QSingle x = min(max(fc * p.FilterDelta4, sw.S0), sw.S1) * sw.TuneSize;
  w.Polef0 = Interpolate(FilterTuneTable, QWord::zero(), x);
}

QSingle FilterProcess(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  // Coefficients of this sample.
  const QSingle g = abs(w.Polef0);
  const QSingle k = max(p.FilterReso + w.FilterResoMod, sw.S0) * sw.F40_9;  // 0.9 gives k = 4
  const QSingle G = sw.S1 / (sw.S1 + g);
  const QSingle r = G * g;
  w.Polef = g;
  w.Polefb = k;
  w.Polef2 = G;
  w.Polefr = r;

  // Inputs: oscillators 1 and 2 share filters 1 and 2, oscillators 3 and 4 filters 3 and 4; each
  // oscillator's mix moves it from the odd filter (-1) to the even one (+1).
  const QSingle o = w.AuxOscValue + w.SampleOscValue;
  const QSingle m = p.AuxOscMix + w.AuxOscMixMod;
  const QSingle a = (sw.S1 - m) * sw.S0_5;
  const QSingle b = (sw.S1 + m) * sw.S0_5;
  const QSingle oa = o * a;
  const QSingle ob = o * b;
  QSingle input = interleave_odd(oa, ob) + interleave_even(oa, ob);
  input = input + (p.NoiseMix + w.NoiseMixMod) * sw.NoiseGenerator;
  const QSingle x = input * (p.FilterGain + w.FilterGainMod) + sw.Denormal;

  // Fourth stage output when the linear input x - k y4 drives the ladder.
  const QSingle s1 = w.FilterBuf1;
  const QSingle s2 = w.FilterBuf2;
  const QSingle s3 = w.FilterBuf3;
  const QSingle s4 = w.FilterBuf4;
  const QSingle r2 = r * r;
  const QSingle r3 = r * r2;
  const QSingle r4 = r2 * r2;
  const QSingle D = k * r4 + sw.S1;
  const QSingle y4 = (r4 * x + r3 * G * s1 + r2 * G * s2 + r * G * s3 + G * s4) / D;

  // Compensator: the feedback loses the lows that its low-passed copy q holds (the old q feeds
  // back). The follow coefficient stops at 1: beyond it q would overshoot, and beyond 2 diverge.
  const QSingle q = w.FilterQompensator;
  const QSingle d = y4 - q;
  const QSingle follow = min(max((p.FilterQompensate + w.FilterQompensateMod) * p.AudioSampleScale, sw.S0), sw.S1);
  w.FilterQompensator = q + d * follow;
  const QSingle fb = k * d;

  // Ladder input through the saturator; with PostFeed only the feedback is shaped.
  const QSingle u0 = select(p.FilterPostFeed, -fb, x - fb);
  const QSingle s = p.FilterFeedback * u0;
  // |s| beyond the table (and NaN) reads the last entry, tanh(4).
  const QSingle position = min(abs(s) * p.FilterFeedbackGain, p.FilterFeedbackSize);
  const QSingle t = Interpolate(reinterpret_cast<const float*>(&sw), p.FilterFeedbackTable, position);
  QSingle u = t | (sw.I80000000 & s);
  u = u + (p.FilterPostFeed & x);

  // Stages 1..3; stage 4 is the estimate above.
  const QSingle y1 = (g * u + s1) * G;
  const QSingle y2 = (g * y1 + s2) * G;
  const QSingle y3 = (g * y2 + s3) * G;

  const QSingle out = p.FilterPole0 * u + p.FilterPole1 * y1 + p.FilterPole2 * y2 + p.FilterPole3 * y3 +
                      p.FilterPole4 * y4;

  // Trapezoidal integrators.
  const QSingle g2 = sw.S2 * g;
  w.FilterBuf1 = s1 + g2 * (u - y1);
  w.FilterBuf2 = s2 + g2 * (y1 - y2);
  w.FilterBuf3 = s3 + g2 * (y2 - y3);
  w.FilterBuf4 = s4 + g2 * (y3 - y4);

  // Level and a linear pan law (both gains 0.5 at the centre).
  const QSingle v = out * (p.FilterLevel + w.FilterLevelMod);
  const QSingle pan = QSingle::splat(p.ControlValue[kPanController]) + p.FilterPan + w.FilterPanMod;
  const QSingle left = min(max((sw.S1 - pan) * sw.S0_5, sw.S0), sw.S1);
  const QSingle right = min(max((sw.S1 + pan) * sw.S0_5, sw.S0), sw.S1);

  // Stereo sum over the four filters: (l1 + l2, r1 + r2, l3 + l4, r3 + r4), then the halves added.
  const QSingle vl = v * left;
  const QSingle vr = v * right;
  const QSingle pairs = interleave_odd(vl, vr) + interleave_even(vl, vr);
  return pairs + swap_halves(pairs);
}

}  // namespace brelix
