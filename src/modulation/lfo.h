// The four LFOs of a voice, computed together as the four lanes of one vector (lane n is LFO n).
// Each reads an 8192-entry waveform table at a phase that advances once per control tick, at a
// free rate in hertz or locked to the host tempo, and shapes the result with level, a random step
// per cycle, clamp, offset, smoothing and a fade-in. A lane reads either the voice's own phase or
// the patch-level phase that all voices share.
#pragma once

#include <cstdint>

#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"

namespace brelix {

// The editor's shape list: Sine, Saw, Square, Triangle, Log1..Log10, Exp1..Exp10, Tanh.
constexpr int kLfoShapeCount = 25;

// Shape index -> element offset of the waveform table from the engine memory base, and the
// length that scales the phase (8192 for every shape). Process-wide, filled by LfoInitTables.
extern uint32_t LfoShapeTable[kLfoShapeCount];
extern uint32_t LfoShapeSize[kLfoShapeCount];

// Fills LfoShapeTable and LfoShapeSize from the engine table offsets. Call once the engine
// tables of the first instance exist.
void LfoInitTables();

// Derived values of all four lanes: LfoTime (cycles per second, or cycles per bar when clocked),
// LfoTable and LfoTableSize from LfoShape. A shape index outside the list selects the sine.
void LfoPatchRecalculate(XPatch& p);

// The phase increment per control tick, the same for every voice: from LfoTime, the host tempo
// (clocked lanes) and the control period.
QSingle LfoTickDelta(const XSynthWork& sw, const XPatch& p);

// First step of a voice's control tick: the phase increment per tick from LfoTime, the host tempo
// (clocked lanes) and the control period; also becomes the patch-level increment.
void LfoRateCalculate(const XSynthWork& sw, XPatch& p, XPatchWork& w);

// One control tick of the four LFOs of a voice: LfoValue, LfoModwheel, LfoPressure.
void LfoCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// Note-on: restart or keep each phase by LfoStartPhase, clear the output and start the fade-in.
void LfoNoteOn(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// Once per output sample: steps the patch-level phase once per control period.
void PatchLfoCalculate(const XSynthWork& sw, XPatch& p);

}  // namespace brelix
