#include "engine/filter.h"

#include <cmath>
#include <mutex>
#include <numbers>

#include "engine/engine_tables.h"
#include "engine/global_memory.h"
#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/pow2_lookup.h"
#include "engine/synth_work.h"
#include "engine/voice_kernel.h"

namespace brelix {

namespace {


float tune_storage[kFilterTuneLength];
std::once_flag tune_once;

void BuildTuneTable() {
  for (int i = 0; i <= kFilterTuneSteps; ++i)
    tune_storage[i] = static_cast<float>(std::tan(std::numbers::pi / 4.0 * i / kFilterTuneSteps));
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

// The four stage states after a note-on: s1 = 1, the others 0; lanes set in `keep` stay as they are.
void ResetStates(const XSynthWork& sw, XPatchWork& w, QWord keep) {
  w.FilterBuf1 = select(keep, w.FilterBuf1, sw.S1);
  w.FilterBuf2 = select(keep, w.FilterBuf2, sw.S0);
  w.FilterBuf3 = select(keep, w.FilterBuf3, sw.S0);
  w.FilterBuf4 = select(keep, w.FilterBuf4, sw.S0);
}

// The ladder's integrators and the compensator never leave an infinity or NaN by themselves; a
// lane that took one since the last tick starts again from rest. Every stage reaches the last one
// within a sub-sample (the zero-delay feedback reads them all); the compensator is looked at by
// itself, as the saturator stops what it feeds back. Their sum is finite only where both are (an
// overflow of the sum merely costs the pass below, which keeps every finite value).
void ClearOverflowedStates(XPatchWork& w) {
  if (all(finite_lanes(w.FilterBuf4 + w.FilterQompensator))) return;
  w.FilterBuf1 = finite_or_zero(w.FilterBuf1);
  w.FilterBuf2 = finite_or_zero(w.FilterBuf2);
  w.FilterBuf3 = finite_or_zero(w.FilterBuf3);
  w.FilterBuf4 = finite_or_zero(w.FilterBuf4);
  w.FilterQompensator = finite_or_zero(w.FilterQompensator);
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
  const QSingle x = clamp(fc * p.FilterDelta4, sw.S0, sw.S1) * sw.TuneSize;
  const QInteger i = trunc_to_int(x);
  w.Polef0 = table_lerp(FilterTuneTable, as_word(i), x - to_single(i));
  ClearOverflowedStates(w);
}

QSingle FilterProcess(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  XPatchWork* const voice[1] = {&w};
  const bool live[1] = {true};
  VoiceLaneSet<QSingle> lanes;
  lanes.LoadFilters(sw, p, voice);
  const QSingle pair = FilterStep(SharedLanes<QSingle>(sw, p), lanes, sw.NoiseGenerator, sw.Denormal);
  lanes.StoreFilters(voice, live);
  return finite_or_zero(pair);  // as the voice sum takes it
}

}  // namespace brelix
