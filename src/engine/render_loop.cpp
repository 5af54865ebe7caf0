#include "engine/render_loop.h"

#include <algorithm>
#include <cmath>

#include "engine/rates.h"
#include "engine/voice_render.h"
#include "modulation/lfo.h"
#include "modulation/mod_matrix.h"

namespace brelix {

namespace {

void MidiMatrixSchedule(RenderTarget& t) {
  if (t.midi_count - 1 > 0) {
    --t.midi_count;
    return;
  }
  for (int i = t.active_voices - 1; i >= 0; --i) {
    XPatchWork& w = *t.voices[i];
    if (!VoiceIsIdle(w)) MidiModMatrixCalculate(t.sw, t.patch, w);
  }
  t.midi_count = MidiPeriod;
}

void DelaySchedule(XPatch& p) {
  if (p.FXControlCounter == 0) {
    p.FX1Calculate(p.FX1Ptr);
    p.FXControlCounter = p.FXControlRate;
  } else {
    --p.FXControlCounter;
  }
}

// Control tick (when due) and one or two sub-samples of every active voice into p.Output.
void RenderVoices(RenderTarget& t) {
  XSynthWork& sw = t.sw;
  XPatch& p = t.patch;
  for (int i = t.active_voices - 1; i >= 0; --i) {
    XPatchWork& w = *t.voices[i];
    if (VoiceIsIdle(w)) {
      VoiceIdle(p, w);
      continue;
    }
    if (w.ControlCounter == 0) {
      VoiceControlTick(sw, p, w);
      w.ControlCounter = p.ControlRate;
    } else {
      --w.ControlCounter;
    }
    const QSingle first = VoiceProcess(sw, p, w);
    if (p.Oversample != 0) {
      const QSingle second = VoiceProcess(sw, p, w);
      // (L1, R1) into lanes 1-2, (L2, R2) into lanes 3-4
      p.Output += QSingle{_mm_movelh_ps(first.v, second.v)};
    } else {
      p.Output += QSingle{_mm_movelh_ps(first.v, _mm_setzero_ps())};
    }
  }
}

// The signal that reaches the delays and the output DC blocker, whose states would keep a NaN or
// an infinity forever: NaN becomes 0 and anything beyond +-kSignalLimit (some 80 dB over full
// scale, reachable only with absurd patch values) is held there. Costs two compares per sample.
constexpr float kSignalLimit = 10000.0f;
QSingle ContainSignal(QSingle x) {
  const QSingle limit = QSingle::splat(kSignalLimit);
  x = select(x == x, x, QSingle::zero());
  return min(max(x, -limit), limit);
}

}  // namespace

float TempoFromBpm(double bpm) {
  float tempo = static_cast<float>(bpm);
  // NaN from a host also ends at the lower bound.
  tempo = std::isnan(tempo) ? 1.0f : std::max(tempo, 1.0f);
  return tempo * 0.0041666669f;
}

void RenderFrames(RenderTarget& t, float tempo, float* left, float* right, int32_t frames) {
  XSynthWork& sw = t.sw;
  XPatch& p = t.patch;
  sw.Tempo = QSingle::splat(tempo);
  for (int32_t i = 0; i < frames; ++i) {
    NoiseStep(sw);
    MidiMatrixSchedule(t);
    p.Output = QSingle::zero();
    DelaySchedule(p);
    PatchLfoCalculate(sw, p);
    RenderVoices(t);

    float l = p.Output.lane(0);
    float r = p.Output.lane(1);
    if (p.Oversample != 0) DownsamplerProcess(t.downsampler, p.Output.lane(0), p.Output.lane(1), p.Output.lane(2), p.Output.lane(3), l, r);

    QSingle x = ContainSignal(QSingle::of(l, r, l, r) * sw.S0_5);
    x = ContainSignal(p.FX1Process(p.FX1Ptr, x));
    const QSingle y = x - p.DCBlocker;
    p.DCBlocker = p.DCBlocker + y * p._DCFilter;
    left[i] = y.lane(0) + y.lane(2) + sw.Denormal.lane(0);
    right[i] = y.lane(1) + y.lane(3) + sw.Denormal.lane(1);
  }
}

}  // namespace brelix
