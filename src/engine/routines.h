// Routine slots of the patch record. An optional stage (sample oscillator, delays) that is
// switched off holds NoOperation in its slot, so the render loop never tests for absence.
#pragma once

#include "engine/qvector.h"

namespace brelix {

struct XSynthWork;
struct XPatch;
struct XPatchWork;
class XDelay;

// Control-rate sample oscillator step; gets the voice pitch modulation in all lanes.
using SampleCalculateRoutine = void (*)(const XSynthWork& sw, const XPatch& p, XPatchWork& w, QSingle pitch_mod);
// Audio-rate sample oscillator step (one sub-sample).
using SampleProcessRoutine = void (*)(const XSynthWork& sw, const XPatch& p, XPatchWork& w);
// Delay control step.
using FXCalculateRoutine = void (*)(XDelay* fx);
// Delay audio step on the 4-lane (L, R, L, R) signal.
using FXProcessRoutine = QSingle (*)(XDelay* fx, QSingle x);

// The empty routine, in each call form. The delay form hands its signal through unchanged.
inline void NoOperation(const XSynthWork&, const XPatch&, XPatchWork&, QSingle) {}
inline void NoOperation(const XSynthWork&, const XPatch&, XPatchWork&) {}
inline void NoOperation(XDelay*) {}
inline QSingle NoOperation(XDelay*, QSingle x) { return x; }

}  // namespace brelix
