#include "engine/sample_osc.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "engine/oscillator.h"
#include "engine/rates.h"

namespace brelix {

namespace {

// Two frames before and several after the silent reference, all 0.
alignas(16) const float silent_frames[8] = {};

// Reads frames i and i + 1 of each lane's own sample.
void GatherFrames(const QPointerOf<const float>& samples, QInteger i, QSingle& a, QSingle& b) {
  const alias_int32* ix = i.lanes();
  a = QSingle::of(samples.p[0][ix[0]], samples.p[1][ix[1]], samples.p[2][ix[2]], samples.p[3][ix[3]]);
  b = QSingle::of(samples.p[0][ix[0] + 1], samples.p[1][ix[1] + 1], samples.p[2][ix[2] + 1],
                  samples.p[3][ix[3] + 1]);
}

// Keeps a play position inside [0, size]: past the end a looping lane wraps by its length and a
// one-shot lane stops at its end. Below the start (an oscillator modulated to a negative
// frequency plays backwards) a looping lane wraps forward and a one-shot lane stops at 0. A
// position that is not a number ends at the end (minpd takes its second operand then).
QDouble WrapPhase(QDouble phase, const XPatch& p) {
  phase = phase - ((phase >= p.SampleOscSize) & p._SampleOscLoop);
  phase = min(phase, p.SampleOscSize);
  phase = phase + ((phase < QDouble::zero()) & p._SampleOscLoop);
  return max(phase, QDouble::zero());
}

void CheckLane(int lane) {
  if (lane < 1 || lane > 4) throw std::out_of_range("sample lane outside 1..4");
}

}  // namespace

const float* SilentSample() { return silent_frames + 2; }

void SampleRateUpdate(XPatch& p, int lane) {
  CheckLane(lane);
  const int l = lane - 1;
  p._SampleOscLoop.set_lane(l, p.SampleOscLoop.lane(l) != 0 ? p.SampleOscSize.lane(l) : 0.0);
  const double rate = SampleRate;
  const double divisor = rate * std::ldexp(1.0, static_cast<int>(p.Oversample & 31)) *
                         static_cast<double>(p.AuxOscBasePitch.lane(l)) * static_cast<double>(p.Upsample);
  // A base pitch or Upsample of 0 would give an infinite step: such a lane plays at the file's
  // own rate per sub-step, as while the host rate is unknown.
  p.SampleDelta1.set_lane(l, (rate == 0.0 || divisor == 0.0) ? 1.0 : p.SampleOscRate.lane(l) / divisor);
}

void SampleOscPatchRecalculate(XPatch& p) {
  for (int lane = 1; lane <= 4; ++lane) SampleRateUpdate(p, lane);
}

void SampleNoteOn(const XSynthWork&, const XPatch&, XPatchWork& w) {
  w.SampleOscPhase = QDouble::zero();
  for (int section = 0; section < 4; ++section) {
    w.ButterBuffer1[section] = QSingle::zero();
    w.ButterBuffer2[section] = QSingle::zero();
    w.ButterBuffer3[section] = QSingle::zero();
    w.ButterBuffer4[section] = QSingle::zero();
  }
}

void SampleOscCalculate(const XSynthWork&, const XPatch& p, XPatchWork& w, QSingle pitch_mod) {
  const QSingle f = OscModulatedFrequency(p, w, pitch_mod);
  w.SampleOscDeltaPhase = to_double(f) * p.SampleDelta1;
}

void SampleOscProcess(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  // Values the editor writes straight into the patch: at least one sub-step, at most four
  // sections.
  const uint32_t steps = std::max<uint32_t>(p.Upsample, 1);
  const int top_section = static_cast<int>(std::min<uint32_t>(p.SampleFilter, 3));

  // A position left over from a longer sample is brought inside this one before it is read (for
  // every position the steps below produce, this changes nothing).
  QDouble phase = max(min(w.SampleOscPhase, p.SampleOscSize), QDouble::zero());
  QSingle v = QSingle::zero();
  for (uint32_t step = 0; step < steps; ++step) {
    // Read the sample between frames i and i + 1, interpolated linearly.
    const QInteger i = trunc_to_int(phase);
    const QSingle r = to_single(phase - to_double(i));
    QSingle a, b;
    GatherFrames(p.SampleOscPtr, i, a, b);
    v = a - (a - b) * r;

    // Move the play position on, in double precision so that long samples keep their pitch.
    phase = WrapPhase(phase + w.SampleOscDeltaPhase, p);

    // Take away what would alias: the low-pass sections, highest first; each section is two
    // biquads in direct form II sharing the numerator 1 + 2 z^-1 + z^-2.
    for (int j = top_section; j >= 0; --j) {
      v = v * p.ButterGain;
      const QSingle w1 = w.ButterBuffer1[j];
      const QSingle w2 = w.ButterBuffer2[j];
      const QSingle a1 = v - p.ButterCoef0 * w1 - p.ButterCoef1 * w2;
      const QSingle y = a1 + sw.S2 * w1 + w2;
      w.ButterBuffer1[j] = a1;
      w.ButterBuffer2[j] = w1;

      const QSingle w3 = w.ButterBuffer3[j];
      const QSingle w4 = w.ButterBuffer4[j];
      const QSingle b1 = y - p.ButterCoef2 * w3 - p.ButterCoef3 * w4;
      v = b1 + sw.S2 * w3 + w4;
      w.ButterBuffer3[j] = b1;
      w.ButterBuffer4[j] = w3;
    }
  }
  w.SampleOscPhase = phase;
  // The filters read this value every sub-sample: a level (or a product) that is not finite
  // gives silence instead of a NaN in their states.
  w.SampleOscValue = finite_or_zero(v * (p.SampleOscLevel + w.SampleOscLevelMod));
}

void SampleVoiceLaneReset(XPatchWork& w, int lane) {
  CheckLane(lane);
  const int l = lane - 1;
  w.SampleOscPhase.set_lane(l, 0.0);
  w.SampleOscDeltaPhase.set_lane(l, 0.0);
  w.SampleOscValue.set_lane(l, 0.0f);
}

}  // namespace brelix
