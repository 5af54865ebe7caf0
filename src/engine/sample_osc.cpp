#include "engine/sample_osc.h"

#include <cmath>

#include "engine/rates.h"

namespace brelix {

namespace {
alignas(16) const float silent_frames[8] = {};
}

const float* SilentSample() { return silent_frames + 2; }

void SampleOscPatchRecalculate(XPatch& p) {
  const double rate = SampleRate;
  const double audio_rate = rate * std::ldexp(1.0, static_cast<int>(p.Oversample & 31));
  for (int lane = 0; lane < 4; ++lane) {
    const double size = p.SampleOscSize.lane(lane);
    p._SampleOscLoop.set_lane(lane, p.SampleOscLoop.lane(lane) != 0 ? size : 0.0);
    const double divisor = audio_rate * p.AuxOscBasePitch.lane(lane) * p.Upsample;
    p.SampleDelta1.set_lane(lane, (rate == 0.0 || divisor == 0.0) ? 1.0 : p.SampleOscRate.lane(lane) / divisor);
  }
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

}  // namespace brelix
