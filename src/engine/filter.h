// The four multi-mode filters of a voice, computed together as the four lanes of one vector.
//
// Each filter is a four-stage ladder of trapezoidal one-pole low-passes with zero-delay
// resonance feedback, a tanh saturator at the ladder input and a "Qompensate" stage that takes
// the lows out of the feedback. The response type is a weighted sum of the ladder input and the
// four stage outputs (FilterPole0..FilterPole4). The filter routine also mixes the filter inputs
// (oscillators, sample oscillators, noise) and yields the voice's stereo pair through per-filter
// level and pan.
#pragma once

#include <cstdint>

#include "engine/qvector.h"

namespace brelix {

class XGlobalMemory;
struct XSynthWork;
struct XPatch;
struct XPatchWork;

constexpr int kFilterTuneSteps = 1024;                    // entries from cutoff 0 to AR/4
constexpr int kFilterTuneLength = kFilterTuneSteps + 2;   // plus one guard entry (1026)

// FilterTuneTable[i] = tan(pi/4 * i/1024) for i = 0..1024, entry 1025 repeats entry 1024: maps a
// cutoff of 0..AR/4 to the pre-warped stage coefficient. Process-wide, built by FilterInitTables.
extern const float* const FilterTuneTable;

// The editor's filter types: "LowPass4", "LowPass3", "LowPass2", "LowPass1", "HighPass4",
// "BandPass2+2", "BandStop2 (Notch2)", "LowPass4-1", "Bypass".
constexpr uint32_t kFilterTypeCount = 9;
constexpr uint32_t kFilterTypeBypass = 8;

// The output weights of input u and stages y1..y4 that a filter type stands for; "Bypass" and
// any number outside the list give 1, 0, 0, 0, 0.
void FilterTypeWeights(uint32_t type, float& pole0, float& pole1, float& pole2, float& pole3, float& pole4);

// Once at synthesizer creation, right after the engine tables: builds FilterTuneTable (once per
// process) and refills the instance's TanhTable, the saturator.
void FilterInitTables(XGlobalMemory& memory);

// Derived filter fields of a patch: FilterFixedRange, FilterFeedbackTable (element offset of the
// tanh table), FilterFeedbackSize 8192 and FilterFeedbackGain 2048.
void FilterPatchRecalculate(XPatch& p);

// Note-on: FilterRatio = 2^((Notes - FilterCenter) * FilterTracking / 12).
void FilterKeyTrack(const XSynthWork& sw, const XPatch& p, XPatchWork& w);
// The editor's tracking edits: FilterKeyTrack for the voice of `w` (its patch and constant block).
void FilterTrackUpdate(XPatchWork& w);

// Plain note-on: the first stage starts charged (s1 = 1), the other stages empty.
void FilterNoteOn(const XSynthWork& sw, const XPatch& p, XPatchWork& w);
// Declicking note-on: lanes with FilterDeclick keep their states, the others reset as above.
void FilterNoteOnClick(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// Control tick: the stage coefficient Polef0 = tan(pi fc / AR) from the modulated cutoff; stage
// states that overflowed since the last tick are emptied.
void FilterCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// One audio sub-sample of the four filters; returns the voice's stereo pair as (L, R, L, R), 0
// where it is not finite.
QSingle FilterProcess(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

}  // namespace brelix
