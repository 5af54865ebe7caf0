#include "patch/patch_derived.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/filter.h"
#include "engine/oscillator.h"
#include "engine/rates.h"
#include "engine/sample_osc.h"
#include "modulation/envelope.h"
#include "modulation/lfo.h"
#include "modulation/mod_matrix.h"

namespace brelix {

namespace {


// The host rate as the patch operations see it: 0 means "not set yet" and counts as 44100.
double HostRate() {
  float rate = SampleRate;
  return rate == 0.0f ? 44100.0 : rate;
}

double AudioRate(const XPatch& p) { return HostRate() * std::ldexp(1.0, static_cast<int>(p.Oversample)); }

void ControlPeriod(XPatch& p, double rate) {
  const double period = (static_cast<double>(p.ControlRate) + 1.0) / rate;
  p.ControlDelta1 = QSingle::splat(static_cast<float>(period));
}

// The sample oscillators' 4th-order Butterworth low-pass at 20 kHz for the sub-step rate, by the
// bilinear transform with pre-warping, as two sections sharing the numerator. Every product is
// rounded to single as it is formed.
void ButterworthDesign(XPatch& p) {
  const double fs = AudioRate(p) * p.Upsample;
  const auto single = [](double x) { return static_cast<double>(static_cast<float>(x)); };
  const double wa = single(2.0 * fs * std::tan(std::numbers::pi * 20000.0 / fs));
  const double u = single(1.0 / single(wa * wa));
  const double d = single(single(single(4.0 * fs * fs) * u) + 1.0);
  const double m = single(2.0 - single(single(8.0 * fs * fs) * u));
  const double q1 = single(0.765367 / wa);
  const double q2 = single(1.847759 / wa);
  const double g1 = single(1.0 / single(d + single(2.0 * fs * q1)));
  const double g2 = single(1.0 / single(d + single(2.0 * fs * q2)));
  p.ButterCoef0 = QSingle::splat(static_cast<float>(m * g1));
  p.ButterCoef1 = QSingle::splat(static_cast<float>(single(d - single(2.0 * fs * q1)) * g1));
  p.ButterCoef2 = QSingle::splat(static_cast<float>(m * g2));
  p.ButterCoef3 = QSingle::splat(static_cast<float>(single(d - single(2.0 * fs * q2)) * g2));
  p.ButterGain = QSingle::splat(static_cast<float>(g1 * g2));
}

}  // namespace

void PatchPrepare(XPatch& p) {
  for (QInteger& step : p.EnvStep) step = QInteger{_mm_slli_epi32(step.v, 4)};
  PatchKeepRateFields(p);
  PatchRecalculate(p);
}

void PatchKeepRateFields(XPatch& p) {
  // The decimator runs the factor 2 only, the sample oscillator needs at least one sub-step (and
  // the editor offers at most 32), and there are four anti-alias sections.
  p.Oversample = p.Oversample != 0 ? 1 : 0;
  p.Upsample = std::clamp<uint32_t>(p.Upsample, 1, 32);
  p.SampleFilter = std::min<uint32_t>(p.SampleFilter, 3);
}

void PatchRecalculate(XPatch& p) {
  float rate = SampleRate;
  if (rate == 0.0f)
    p.ControlDelta1 = QSingle::splat(1.0f);
  else
    ControlPeriod(p, rate);
  OscPatchRecalculate(p);
  SampleOscPatchRecalculate(p);
  FilterPatchRecalculate(p);
  LfoPatchRecalculate(p);
  EnvPatchRecalculate(p);
  ModMatrixPatchRecalculate(p);
}

void PatchSampleRate(XPatch& p) {
  const double rate = HostRate();
  const double audio_rate = AudioRate(p);
  p.AudioSampleRate = QSingle::splat(static_cast<float>(audio_rate));
  p.AudioDelta1 = QSingle::splat(static_cast<float>(1.0 / audio_rate));
  p.AudioPhaseDelta1 = QSingle::splat(static_cast<float>(4294967296.0 / audio_rate));
  p.FilterDelta4 = QSingle::splat(static_cast<float>(4.0 / audio_rate));
  ControlPeriod(p, rate);
  p.ControlDeltaMod = p.ControlDelta1 * QSingle::splat(1000.0f);
  p.AudioSampleScale = QSingle::splat(static_cast<float>(OversampleBase.load() / audio_rate));
  SampleOscPatchRecalculate(p);
  ButterworthDesign(p);
}

namespace {
// A one-pole DC blocker is stable only for coefficients in [0, 2) and means something only up to
// 1; a file or a rate ratio can give anything, NaN included (which ends at 0: no blocking).
float StableDCCoefficient(float c) { return std::clamp(std::isnan(c) ? 0.0f : c, 0.0f, 1.0f); }
}  // namespace

void PatchDCFilters(XPatch& p) {
  for (int lane = 0; lane < 4; ++lane)
    p._AuxOscDCFilter.set_lane(lane,
                               StableDCCoefficient(OversampledRateScale(p.AuxOscDCFilter.lane(lane), p.Oversample)));
  p._DCFilter = QSingle::splat(StableDCCoefficient(RealRateScale(p.DCFilter)));
  p._FXDCFilter = QSingle::splat(StableDCCoefficient(RealRateScale(p.FXDCFilter)));
}

}  // namespace brelix
