// The four envelopes of a voice, one per lane: six-stage machines, each stage with a time, a
// target level, a curve and a step to the stage that follows it. They run once per control tick;
// the amplitude envelope (lane 4) reaching the end stage makes its voice idle.
//
// Stages are kept times 16 (0, 16, ..., 80) in the voice's EnvStage and in the patch's prepared
// EnvStep, so a step is added directly to a stage value.
#pragma once

#include <cstdint>

namespace brelix {

struct XSynthWork;
struct XPatch;
struct XPatchWork;

// Curve indices: 0 "Linear", 1..10 "Log1".."Log10", 11..20 "Exp1".."Exp10", 21 "Tanh".
constexpr int kEnvCurveCount = 22;
constexpr uint32_t kEnvCurveLinear = 0;

// Curve index -> element offset of its table from the engine memory base. Process-wide: every
// instance has its tables at the same offsets.
extern uint32_t EnvCurveTable[kEnvCurveCount];

// Fills EnvCurveTable from the engine table offsets; call once the engine tables exist.
void EnvInitTables();

// Derived envelope values of the patch: EnvCurves and EnvRate for the six stages. Also keeps a
// prepared patch inside its tables: a curve index beyond the list becomes "Linear", and a step
// is clamped so that its target stays within stages 0..5.
void EnvPatchRecalculate(XPatch& p);

// Control tick, before the LFOs: this tick's phase increment (never more than one stage).
void EnvRateCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// Control tick, after the LFOs: the envelope outputs, then the phase advance and stage changes.
void EnvCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// Note hooks. Lanes whose legato flag is set keep running on a legato note.
void EnvNoteOn(const XSynthWork& sw, const XPatch& p, XPatchWork& w);
// Declicking note-on: lanes with declick on start their attack from their current value.
void EnvNoteOnClick(const XSynthWork& sw, const XPatch& p, XPatchWork& w);
// Every lane enters the release stage from its current value.
void EnvNoteOff(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

}  // namespace brelix
