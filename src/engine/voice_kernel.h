// The audio-rate work of active voices over a run of frames in which nothing but audio happens
// (no control tick, no MIDI matrix pass): oscillators, filters, level, pan and voice gain, one
// sub-sample at a time, with every state in a vector for the whole run.
//
// The arithmetic is that of OscProcess and FilterProcess, in the same order of single-precision
// operations, so a run gives the same bits as calling them sample by sample. What does not change
// between a voice's control ticks (the filter coefficients, the modulation sums, the pan gains, the
// voice gain) is computed when its lanes are loaded, from the same operands. Only values that are
// not finite part ways: those one-voice steps hand back 0 for them, while the kernel leaves a
// voice that went bad to the voice sum, which skips it, and to the next control tick, which clears
// its states.
//
// The kernel is written once for any vector type S of the QSingle family: S holds S::kVoices
// voices of four lanes each (voice v in lanes 4v+1..4v+4). A vector of several voices keeps
// their dependency chains (a division and a table lookup per filter sample) in flight together.
#pragma once

#include <new>
#include <type_traits>
#include <utility>

#include "engine/engine_tables.h"
#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"
#include "engine/voice_group.h"

namespace brelix {

// The vector type of S's family that holds what a 4-lane field of type Q holds.
template <class S, class Q>
struct LanesOf;
template <class S>
struct LanesOf<S, QSingle> {
  using type = S;
};
template <class S>
struct LanesOf<S, QWord> {
  using type = typename S::Word;
};

// f(v) for each voice v of a vector of S, in order, with v a compile-time constant.
template <class S, class F>
BRELIX_INLINE void ForEachVoice(F f) {
  [&f]<int... v>(std::integer_sequence<int, v...>) __attribute__((always_inline)) {
    (f(std::integral_constant<int, v>{}), ...);
  }(std::make_integer_sequence<int, S::kVoices>{});
}

// A patch field (the same for every voice) in each voice's lanes of a vector of S's family.
template <class S, class Q>
BRELIX_INLINE typename LanesOf<S, Q>::type PatchLanes(const Q& field) {
  return LanesOf<S, Q>::type::broadcast(field);
}

// A field of the voices w[0 .. S::kVoices - 1] as one vector of S's family.
template <class S, class Q>
BRELIX_INLINE typename LanesOf<S, Q>::type VoiceLanes(XPatchWork* const* w, Q XPatchWork::*field) {
  return LanesOf<S, Q>::type::from_voices([w, field](int v) -> const Q& { return w[v]->*field; });
}

// Stores the lanes of each live voice back into its field.
template <class S, class Q>
void StoreVoiceLanes(XPatchWork* const* w, const bool* live, Q XPatchWork::*field,
                     const typename LanesOf<S, Q>::type& value) {
  ForEachVoice<S>([&](auto v) __attribute__((always_inline)) {
    if (live[v]) w[v]->*field = value.template voice<v>();
  });
}

// One vector of voices: their oscillator and filter states and the values that stay constant
// over a run.
template <class S>
struct VoiceLaneSet {
  using W = typename S::Word;

  // ---- oscillators: state
  W phase, sync;
  S sawz1, pulsez1, saw, dc_blocker, value;
  // ---- oscillators: constants of the run
  W delta, delta_sync, pw_offset;
  S scaling, dc_adjust, norm, leak, sigma1, sigma2, leak_gain;
  // ---- filters: state
  S s1, s2, s3, s4, q;
  // ---- filters: constants of the run
  // A ladder stage integrates with gain `cutoff` (the prewarped cutoff) and outputs
  // (cutoff x input + state) x stage_gain, stage_gain = 1 / (1 + cutoff). With r = cutoff x
  // stage_gain (a stage's instantaneous response), rN_gain = r^N x stage_gain weighs the states in
  // the fourth stage's estimate; k is the resonance feedback and D the estimate's denominator.
  S cutoff, stage_gain, two_cutoff, k, r4, r3_gain, r2_gain, r_gain, D;
  S follow, mix_a, mix_b, noise_mix, gain, level, left, right;
  S sample_value, voice_gain;

  // Everything a run needs, and the voice gain.
  void Load(const XSynthWork& sw, const XPatch& p, XPatchWork* const* w) {
    LoadOscillators(sw, p, w);
    LoadFilters(sw, p, w);
    voice_gain = VoiceGain(sw, p, w);
  }
  void Store(XPatchWork* const* w, const bool* live) const {
    StoreOscillators(w, live);
    StoreFilters(w, live);
  }

  void LoadOscillators(const XSynthWork& sw, const XPatch& p, XPatchWork* const* w) {
    auto P = [](const auto& field) { return PatchLanes<S>(field); };
    auto V = [w](auto field) { return VoiceLanes<S>(w, field); };
    phase = V(&XPatchWork::AuxOscPhase);
    sync = V(&XPatchWork::AuxOscSyncPhase);
    delta = V(&XPatchWork::AuxOscDeltaPhase);
    delta_sync = V(&XPatchWork::AuxOscDeltaSync);
    sawz1 = V(&XPatchWork::AuxOscSawz1);
    pulsez1 = V(&XPatchWork::AuxOscPulsez1);
    saw = V(&XPatchWork::AuxOscSaw);
    dc_blocker = V(&XPatchWork::AuxOscDCBlocker);
    value = V(&XPatchWork::AuxOscValue);
    scaling = V(&XPatchWork::AuxOscScaling);
    dc_adjust = V(&XPatchWork::AuxOscDCAdjust);
    norm = V(&XPatchWork::AuxOscNorm);
    pw_offset = as_word(trunc_to_int((P(p.AuxOscPW) + V(&XPatchWork::AuxOscPWMod)) * P(sw.TwoPow31)));
    leak = min(abs(P(p.AuxOscSawShape) + V(&XPatchWork::AuxOscSawShapeMod)), P(sw.S1));
    sigma1 = P(p.AuxOscSawSigma1) + V(&XPatchWork::AuxOscSawSigma1Mod);
    sigma2 = P(p.AuxOscSawSigma2) + V(&XPatchWork::AuxOscSawSigma2Mod);
    // The leak's gain compensation stops at 0.01.
    leak_gain = P(sw.S1) - min(leak, P(sw.S0_99));
  }

  void LoadFilters(const XSynthWork& sw, const XPatch& p, XPatchWork* const* w) {
    auto P = [](const auto& field) { return PatchLanes<S>(field); };
    auto V = [w](auto field) { return VoiceLanes<S>(w, field); };
    const S one = P(sw.S1), zero = P(sw.S0), half = P(sw.S0_5);
    value = V(&XPatchWork::AuxOscValue);
    sample_value = V(&XPatchWork::SampleOscValue);
    s1 = V(&XPatchWork::FilterBuf1);
    s2 = V(&XPatchWork::FilterBuf2);
    s3 = V(&XPatchWork::FilterBuf3);
    s4 = V(&XPatchWork::FilterBuf4);
    q = V(&XPatchWork::FilterQompensator);
    cutoff = abs(V(&XPatchWork::Polef0));
    k = max(P(p.FilterReso) + V(&XPatchWork::FilterResoMod), zero) * P(sw.F40_9);  // 0.9 gives k = 4
    stage_gain = one / (one + cutoff);
    const S r = stage_gain * cutoff;
    const S r2 = r * r;
    const S r3 = r * r2;
    r4 = r2 * r2;
    r3_gain = r3 * stage_gain;
    r2_gain = r2 * stage_gain;
    r_gain = r * stage_gain;
    D = k * r4 + one;
    two_cutoff = P(sw.S2) * cutoff;
    // The follow coefficient of the compensator stops at 1: beyond it q would overshoot.
    follow = clamp((P(p.FilterQompensate) + V(&XPatchWork::FilterQompensateMod)) * P(p.AudioSampleScale), zero, one);
    const S m = P(p.AuxOscMix) + V(&XPatchWork::AuxOscMixMod);
    mix_a = (one - m) * half;
    mix_b = (one + m) * half;
    noise_mix = P(p.NoiseMix) + V(&XPatchWork::NoiseMixMod);
    gain = P(p.FilterGain) + V(&XPatchWork::FilterGainMod);
    level = P(p.FilterLevel) + V(&XPatchWork::FilterLevelMod);
    const S pan = P(QSingle::splat(p.ControlValue[kControlPan])) + P(p.FilterPan) + V(&XPatchWork::FilterPanMod);
    left = clamp((one - pan) * half, zero, one);
    right = clamp((one + pan) * half, zero, one);
    voice_gain = one;
  }

  void StoreOscillators(XPatchWork* const* w, const bool* live) const {
    auto put = [w, live](auto field, const auto& x) { StoreVoiceLanes<S>(w, live, field, x); };
    put(&XPatchWork::AuxOscPhase, phase);
    put(&XPatchWork::AuxOscSyncPhase, sync);
    put(&XPatchWork::AuxOscSawz1, sawz1);
    put(&XPatchWork::AuxOscPulsez1, pulsez1);
    put(&XPatchWork::AuxOscSaw, saw);
    put(&XPatchWork::AuxOscDCBlocker, dc_blocker);
    put(&XPatchWork::AuxOscValue, value);
  }

  void StoreFilters(XPatchWork* const* w, const bool* live) const {
    auto put = [w, live](auto field, const auto& x) { StoreVoiceLanes<S>(w, live, field, x); };
    put(&XPatchWork::FilterBuf1, s1);
    put(&XPatchWork::FilterBuf2, s2);
    put(&XPatchWork::FilterBuf3, s3);
    put(&XPatchWork::FilterBuf4, s4);
    put(&XPatchWork::FilterQompensator, q);
  }

  // (Volume + VolumeMod + VolumeVelocityMod) x channel volume x (source x VolumeModAmount), one
  // single per voice, in all its lanes.
  static S VoiceGain(const XSynthWork& sw, const XPatch& p, XPatchWork* const* w) {
    float gain[S::kVoices];
    for (int v = 0; v < S::kVoices; ++v) {
      const float source = ModSourceValue(sw, w[v]->VolumeModSourcePtr);
      gain[v] = (p.Volume + w[v]->VolumeMod + w[v]->VolumeVelocityMod) * p.ControlValue[kControlVolume] *
                (source * p.VolumeModAmount);
    }
    return S::from_voices([&gain](int v) { return QSingle::splat(gain[v]); });
  }
};

// The constants every voice shares during a run.
template <class S>
struct SharedLanes {
  using W = typename S::Word;
  const float* base;  // the engine memory base as single-precision elements
  const float* sine;
  W sign, phase_fraction, saturator;
  S zero, half, one, two_pow_31, inv_phase_fraction, smoothed_gain, previous_gain, feedback, saturator_gain, saturator_size;
  W post_feed;
  S pole0, pole1, pole2, pole3, pole4, dc_filter;

  SharedLanes(const XSynthWork& sw, const XPatch& p) {
    auto P = [](const auto& field) { return PatchLanes<S>(field); };
    base = reinterpret_cast<const float*>(&sw);
    sine = base + TableOffsets.Sine;
    sign = P(sw.I80000000);
    phase_fraction = P(sw.TablePhaseMask);
    saturator = P(p.FilterFeedbackTable);
    zero = P(sw.S0);
    half = P(sw.S0_5);
    one = P(sw.S1);
    two_pow_31 = P(sw.TwoPow31);
    inv_phase_fraction = P(sw.InvTablePhaseMask);
    smoothed_gain = P(sw.S2_5);
    previous_gain = P(sw.S_1_5);
    feedback = P(p.FilterFeedback);
    saturator_gain = P(p.FilterFeedbackGain);
    saturator_size = P(p.FilterFeedbackSize);
    post_feed = P(p.FilterPostFeed);
    pole0 = P(p.FilterPole0);
    pole1 = P(p.FilterPole1);
    pole2 = P(p.FilterPole2);
    pole3 = P(p.FilterPole3);
    pole4 = P(p.FilterPole4);
    dc_filter = P(p._AuxOscDCFilter);
  }
};

// A 32-bit phase indexes the 8192-entry sine table with its top 13 bits; the low 19 bits are
// the interpolation fraction.
constexpr int kOscPhaseFractionBits = 19;

// One self-modulated sine generator of the oscillators: `z` is its previous smoothed value, already
// cleared where the sync master reset the phase. Stores the new smoothed value and returns the
// generator's output, corrected for the smoothing and for DC.
template <class S>
[[gnu::always_inline]] inline S OscGenerator(const SharedLanes<S>& c, const VoiceLaneSet<S>& v, typename S::Word phase, S z, S& smoothed) {
  const typename S::Word modulated = phase + as_word(trunc_to_int(v.scaling * z * c.two_pow_31));
  const typename S::Word i = modulated >> kOscPhaseFractionBits;
  const S f = to_single(as_integer(modulated & c.phase_fraction)) * c.inv_phase_fraction;
  S x = table_lerp(c.sine, i, f);
  x = (x + z) * c.half;
  smoothed = x;
  return x * c.smoothed_gain + z * c.previous_gain + v.dc_adjust;
}

// One audio sub-sample of the oscillators: advances the phases and sets v.value.
template <class S>
[[gnu::always_inline]] inline void OscStep(const SharedLanes<S>& c, VoiceLaneSet<S>& v) {
  using W = typename S::Word;
  W phase = v.phase + v.delta;
  W sync = v.sync + v.delta_sync;
  // k is all ones until the master completes a cycle; then both generators restart at 0.
  const W k = (sync & c.sign) == W::zero();
  phase = phase & k;
  sync = sync & k;
  v.phase = phase;
  v.sync = sync;

  const W second = phase + v.pw_offset;
  const S w1 = OscGenerator(c, v, phase, k & v.sawz1, v.sawz1);
  const S w2 = OscGenerator(c, v, second, k & v.pulsez1, v.pulsez1);
  const S a = v.saw * v.leak + w1 * v.sigma1 + w2 * v.sigma2;
  v.saw = a;
  const S o = a * v.leak_gain * v.norm;
  const S y = o - v.dc_blocker;
  v.dc_blocker = v.dc_blocker + y * c.dc_filter;
  v.value = y;
}

// One audio sub-sample of the filters, from the oscillators' v.value; returns each voice's stereo
// pair (L, R, L, R), times its voice gain.
template <class S>
[[gnu::always_inline]] inline S FilterStep(const SharedLanes<S>& c, VoiceLaneSet<S>& v, S noise, S denormal) {
  // Inputs: oscillators 1 and 2 share filters 1 and 2, 3 and 4 filters 3 and 4.
  const S o = v.value + v.sample_value;
  const S oa = o * v.mix_a;
  const S ob = o * v.mix_b;
  S input = interleave_odd(oa, ob) + interleave_even(oa, ob);
  input = input + v.noise_mix * noise;
  const S x = input * v.gain + denormal;

  // Fourth stage output when the linear input x - k y4 drives the ladder.
  const S y4 = (v.r4 * x + v.r3_gain * v.s1 + v.r2_gain * v.s2 + v.r_gain * v.s3 + v.stage_gain * v.s4) / v.D;

  // Compensator: the feedback loses the lows that its low-passed copy q holds.
  const S d = y4 - v.q;
  v.q = v.q + d * v.follow;
  const S fb = v.k * d;

  // Ladder input through the saturator; with PostFeed only the feedback is shaped.
  const S u0 = select(c.post_feed, -fb, x - fb);
  const S s = c.feedback * u0;
  // |s| beyond the table (and NaN) reads the last entry, tanh(4).
  const S position = min(abs(s) * c.saturator_gain, c.saturator_size);
  const typename S::Integer i = trunc_to_int(position);
  const S t = table_lerp(c.base, c.saturator + as_word(i), position - to_single(i));
  S u = t | (c.sign & s);
  u = u + (c.post_feed & x);

  const S y1 = (v.cutoff * u + v.s1) * v.stage_gain;
  const S y2 = (v.cutoff * y1 + v.s2) * v.stage_gain;
  const S y3 = (v.cutoff * y2 + v.s3) * v.stage_gain;
  const S out = c.pole0 * u + c.pole1 * y1 + c.pole2 * y2 + c.pole3 * y3 + c.pole4 * y4;

  // Trapezoidal integrators.
  v.s1 = v.s1 + v.two_cutoff * (u - y1);
  v.s2 = v.s2 + v.two_cutoff * (y1 - y2);
  v.s3 = v.s3 + v.two_cutoff * (y2 - y3);
  v.s4 = v.s4 + v.two_cutoff * (y3 - y4);

  // Level, linear pan law, and the stereo sum over the four filters of each voice.
  const S level = out * v.level;
  const S vl = level * v.left;
  const S vr = level * v.right;
  const S pairs = interleave_odd(vl, vr) + interleave_even(vl, vr);
  return (pairs + swap_halves(pairs)) * v.voice_gain;
}

// Adds the sub-samples of each live voice to the frame's sum, voice by voice in the group's
// order: (L, R) of the first sub-sample into lanes 1-2, of the second into lanes 3-4. A voice
// whose sub-sample is not finite (a NaN input or a huge modulation; the control tick empties the
// states it left behind) adds 0 there, so the other voices and the output stages go on. Such a
// voice makes the total not finite, so the sum is only added again voice by voice then.
template <class S>
void AddToSum(QSingle& sum, const bool* live, const S& first, const S& second) {
  auto add = [&](auto keep) __attribute__((always_inline)) {
    QSingle total = sum;
    ForEachVoice<S>([&](auto v) __attribute__((always_inline)) {
      if (live[v]) total += keep(low_halves(first.template voice<v>(), second.template voice<v>()));
    });
    return total;
  };
  QSingle total = add([](QSingle x) { return x; });
  if (!all(finite_lanes(total))) total = add([](QSingle x) { return finite_or_zero(x); });
  sum = total;
}

// The group's lane set as the vector type S (see VoiceGroup::lanes).
template <class S>
BRELIX_INLINE VoiceLaneSet<S>& GroupLanes(VoiceGroup& group) {
  static_assert(sizeof(VoiceLaneSet<S>) == kVoiceLaneFields * sizeof(S) && sizeof(typename S::Word) == sizeof(S),
                "every field of a lane set is one vector, with no gaps");
  static_assert(sizeof(VoiceLaneSet<S>) <= sizeof(VoiceGroup::lanes));
  return *std::launder(reinterpret_cast<VoiceLaneSet<S>*>(group.lanes));
}

// The group's shared values as the vector type S (see VoiceGroup::shared).
template <class S>
BRELIX_INLINE const SharedLanes<S>& GroupShared(const VoiceGroup& group) {
  static_assert(sizeof(SharedLanes<S>) <= sizeof(VoiceGroup::shared) && std::is_trivially_destructible_v<SharedLanes<S>>);
  return *std::launder(reinterpret_cast<const SharedLanes<S>*>(group.shared));
}

// Frames [first, end) of the group's voices on the lanes `v`, with the sample oscillators' routine
// called for every live voice before each sub-sample.
template <class S, bool kSampleOscillators>
BRELIX_INLINE void RunLanes(const XSynthWork& sw, const XPatch& p, const VoiceGroup& group, FrameBlock& block,
                            const SharedLanes<S>& c, VoiceLaneSet<S>& v, int first, int end) {
  static_assert(S::kVoices <= VoiceGroup::kMaxVoices);
  const int subsamples = p.Oversample != 0 ? 2 : 1;
  for (int frame = first; frame < end; ++frame) {
    const S noise = PatchLanes<S>(block.noise[frame]);
    const S denormal = PatchLanes<S>(block.denormal[frame]);
    S out[2];
    for (int sub = 0; sub < subsamples; ++sub) {
      if constexpr (kSampleOscillators) {
        for (int n = 0; n < group.size; ++n)
          if (group.live[n]) p.SampleProcess(sw, p, *group.voice[n]);
        v.sample_value = VoiceLanes<S>(group.voice, &XPatchWork::SampleOscValue);
      }
      OscStep(c, v);
      out[sub] = FilterStep(c, v, noise, denormal);
    }
    AddToSum(block.sum[frame], group.live, out[0], subsamples == 2 ? out[1] : c.zero);
  }
}

// A run on the lanes the group holds.
template <class S, bool kSampleOscillators>
void RunHeld(const XSynthWork& sw, const XPatch& p, VoiceGroup& group, FrameBlock& block, int first, int end) {
  // The lanes and the shared values never overlap.
  const SharedLanes<S>* __restrict shared = &GroupShared<S>(group);
  VoiceLaneSet<S>* __restrict lanes = &GroupLanes<S>(group);
  RunLanes<S, kSampleOscillators>(sw, p, group, block, *shared, *lanes, first, end);
}

// A run on lanes of its own: loaded from the voices' work records at its start, stored back at its
// end.
template <class S, bool kSampleOscillators>
void RunLoaded(const XSynthWork& sw, const XPatch& p, VoiceGroup& group, FrameBlock& block, int first, int end) {
  const SharedLanes<S> c(sw, p);
  VoiceLaneSet<S> v;
  v.Load(sw, p, group.voice);
  RunLanes<S, kSampleOscillators>(sw, p, group, block, c, v, first, end);
  v.Store(group.voice, group.live);
}

// The voice run routine of vectors of S (see VoiceRunRoutine).
template <class S, bool kHeld>
void RunVoices(const XSynthWork& sw, const XPatch& p, VoiceGroup& group, FrameBlock& block, int first, int end) {
  if constexpr (kHeld) {
    if (block.sample_oscillators) RunHeld<S, true>(sw, p, group, block, first, end);
    else RunHeld<S, false>(sw, p, group, block, first, end);
  } else {
    if (block.sample_oscillators) RunLoaded<S, true>(sw, p, group, block, first, end);
    else RunLoaded<S, false>(sw, p, group, block, first, end);
  }
}

template <class S>
void LoadVoices(const XSynthWork& sw, const XPatch& p, VoiceGroup& group) {
  new (group.shared) SharedLanes<S>(sw, p);
  GroupLanes<S>(group).Load(sw, p, group.voice);
}

template <class S>
void StoreVoices(VoiceGroup& group) {
  GroupLanes<S>(group).Store(group.voice, group.live);
}

// The kernel of vectors of S. With kHeld, the group holds the lanes through the block and a voice's
// own events load and store only its lanes: fewer loads and stores when the voices' control ticks
// fall in frames of their own. Without, every run loads and stores all voices' lanes, and the
// compiler keeps the busiest lanes in registers through the run: that is faster for the 4-lane
// vectors, whose runs on held lanes were 15 % slower even with the ticks apart.
template <class S, bool kHeld>
constexpr VoiceKernel KernelOf() {
  if constexpr (kHeld) return {RunVoices<S, true>, LoadVoices<S>, StoreVoices<S>};
  else return {RunVoices<S, false>, nullptr, nullptr};
}

}  // namespace brelix
