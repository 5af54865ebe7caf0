// The sample oscillators: each voice lane can play a loaded mono sample at a speed that follows
// its oscillator's frequency, resampled by linear interpolation at Upsample sub-steps per audio
// sample and band-limited by up to four 4th-order Butterworth sections.
//
// While no lane holds a sample the patch's routine slots hold NoOperation; the sample loader
// (patch/sample_file.h) installs SampleOscCalculate and SampleOscProcess as soon as one does.
#pragma once

#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"

namespace brelix {

// Where a lane without a sample points: reading a few frames before, at and after it gives 0.
const float* SilentSample();

// The lane's derived playback values (lanes 1..4): _SampleOscLoop (the length when looping, else
// 0) and SampleDelta1, the frames per sub-step per Hz of oscillator frequency, from the file's
// rate, the audio rate, the lane's base pitch and Upsample (1.0 while the host rate is 0).
void SampleRateUpdate(XPatch& p, int lane);

// SampleRateUpdate for all four lanes.
void SampleOscPatchRecalculate(XPatch& p);

// Note-on: play position 0 and cleared anti-alias filter states in every lane.
void SampleNoteOn(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// Control tick: each lane's phase step follows its oscillator's modulated frequency.
void SampleOscCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w, QSingle pitch_mod);

// One audio sub-sample: Upsample interpolated, low-passed steps; writes SampleOscValue.
void SampleOscProcess(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// Before a lane (1..4) gets another sample or none: the voice's position, step and output of that
// lane go to 0, so no stale value keeps feeding the filter once the routines are switched off.
void SampleVoiceLaneReset(XPatchWork& w, int lane);

}  // namespace brelix
