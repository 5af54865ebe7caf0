#include "render/render_loop.h"

#include <algorithm>
#include <cmath>

#include "engine/countdown.h"
#include "engine/group_lanes.h"
#include "engine/rates.h"
#include "modulation/lfo.h"
#include "modulation/mod_matrix.h"
#include "render/voice_render.h"

namespace brelix {

namespace {

// The frame of the first control tick among the voices active at the start of a block: a voice
// whose countdown stands at c ticks in frame c. `frames` when none does.
int FirstTick(const RenderTarget& t, int frames) {
  int first = frames;
  for (int i = 0; i < std::min(t.active_voices, kMaxRenderVoices); ++i) {
    const XPatchWork& w = *t.voices[i];
    if (!VoiceIsIdle(w)) first = std::min<int64_t>(first, w.ControlCounter);
  }
  return first;
}

// Everything of the block's frames that all voices share, before any voice runs: the noise, the
// MIDI matrix schedule and the patch-level LFO phase. Every control tick writes the same LFO
// increment into the patch, so from the frame after the first tick of the block on, the patch LFO
// steps with that increment.
void PrepareBlock(RenderTarget& t, FrameBlock& block) {
  XSynthWork& sw = t.sw;
  XPatch& p = t.patch;
  const int first_tick = FirstTick(t, block.frames);
  const QSingle tick_delta = LfoTickDelta(sw, p);
  const int32_t midi_reload = std::max(MidiPeriod - 1, 0);
  block.sample_oscillators = p.SampleProcess != static_cast<SampleProcessRoutine>(NoOperation);
  for (int frame = 0; frame < block.frames; ++frame) {
    NoiseStep(sw);
    block.noise[frame] = sw.NoiseGenerator;
    block.denormal[frame] = sw.Denormal;
    block.midi_pass[frame] = CountdownDue(t.midi_count, midi_reload);
    if (frame > first_tick) p.PatchLfoDeltaPhase = tick_delta;
    PatchLfoCalculate(sw, p);
    block.patch_lfo_phase[frame] = p.PatchLfoPhase;
    block.sum[frame] = QSingle::zero();
  }
  int next = block.frames;
  for (int frame = block.frames - 1; frame >= 0; --frame) {
    block.next_midi_pass[frame] = next;
    if (block.midi_pass[frame]) next = frame;
  }
}

// What a control tick in `frame` reads of the shared values: the frame's noise and patch LFO phase.
void ShareFrame(RenderTarget& t, const FrameBlock& block, int frame) {
  t.sw.NoiseGenerator = block.noise[frame];
  t.sw.Denormal = block.denormal[frame];
  t.patch.PatchLfoPhase = block.patch_lfo_phase[frame];
}

// The events of the group's voice in place n in `frame`: the idle test (a voice that is idle
// leaves the group and idles to the end of the block), the MIDI matrix pass and the control tick.
// Its countdown stands as after `frame - 1`. Returns the frame of its next event.
int VoiceEvents(RenderTarget& t, VoiceGroup& group, FrameBlock& block, int n, int frame) {
  XPatch& p = t.patch;
  XPatchWork& w = *group.voice[n];
  if (VoiceIsIdle(w)) {
    group.live[n] = false;
    VoiceIdleFrames(p, w, block.frames - frame);
    return block.frames;
  }
  if (block.midi_pass[frame]) MidiModMatrixCalculate(t.sw, p, w);
  if (CountdownDue(w.ControlCounter, p.ControlRate)) {
    ShareFrame(t, block, frame);
    VoiceControlTick(t.sw, p, w);
  }
  // A voice that the tick made idle is still rendered in this frame.
  const int64_t own = VoiceIsIdle(w) ? frame + 1 : frame + 1 + int64_t{w.ControlCounter};
  return static_cast<int>(std::min<int64_t>(block.next_midi_pass[frame], own));
}

// The group through the block. Its audio runs from one event of any voice to the next. A kernel
// that holds the lanes gets them at the start and gives them back at the end; at an event, when
// most voices have one in the same frame (notes that started together) all their lanes are
// stored, the events done and the lanes loaded again at once, and when few do (notes that started
// apart, so that their control ticks fall in frames of their own) only those voices' lanes. A
// voice's countdown is brought up to date before its events (it counts one down per frame it is
// not due).
void RenderGroup(RenderTarget& t, VoiceGroup& group, FrameBlock& block) {
  const VoiceKernel& kernel = group.kernel;
  const bool held = kernel.load != nullptr;
  int next[VoiceGroup::kMaxVoices];
  int last[VoiceGroup::kMaxVoices];
  auto catch_up = [&](int n, int frame) {
    group.voice[n]->ControlCounter -= static_cast<uint32_t>(frame - last[n] - 1);
    last[n] = frame;
  };
  auto any_live = [&] { return std::any_of(group.live, group.live + group.size, [](bool live) { return live; }); };

  for (int n = 0; n < group.size; ++n) {
    last[n] = 0;
    next[n] = VoiceEvents(t, group, block, n, 0);
  }
  if (!any_live()) return;
  if (held) kernel.load(t.sw, t.patch, group);
  for (int frame = 0;;) {
    int end = block.frames;
    for (int n = 0; n < group.size; ++n)
      if (group.live[n]) end = std::min(end, next[n]);
    kernel.run(t.sw, t.patch, group, block, frame, end);
    if (end == block.frames) break;
    int due = 0;
    for (int n = 0; n < group.size; ++n) due += group.live[n] && next[n] == end;
    const bool one_by_one = held && 2 * due <= group.places;
    if (held && !one_by_one) kernel.store(group);
    for (int n = 0; n < group.size; ++n) {
      if (!group.live[n] || next[n] != end) continue;
      if (one_by_one) StoreGroupVoice(group, n);
      catch_up(n, end);
      next[n] = VoiceEvents(t, group, block, n, end);
      if (one_by_one && group.live[n]) LoadGroupVoice(t.sw, t.patch, group, n);
    }
    if (!any_live()) return;
    if (held && !one_by_one) kernel.load(t.sw, t.patch, group);
    frame = end;
  }
  if (held) kernel.store(group);
  for (int n = 0; n < group.size; ++n)
    if (group.live[n]) catch_up(n, block.frames);
}

// Every voice through the block, from the highest index down: idle ones by themselves, the active
// ones in groups as large as the vector width has a kernel for while more voices are left than
// the next smaller kernel takes (sixteen while more than eight are left, eight while more than
// four), else of four. Every frame's sum receives the voices in that order.
void RenderVoices(RenderTarget& t, FrameBlock& block) {
  XPatchWork* active[kMaxRenderVoices];
  int count = 0;
  for (int i = std::min(t.active_voices, kMaxRenderVoices) - 1; i >= 0; --i) {
    XPatchWork& w = *t.voices[i];
    if (VoiceIsIdle(w)) VoiceIdleFrames(t.patch, w, block.frames);
    else active[count++] = &w;
  }
  for (int first = 0; first < count;) {
    const int left = count - first;
    VoiceGroup group;
    group.places = VoiceRunner::kSmall;
    group.kernel = t.runner.small;
    if (t.runner.huge.run != nullptr && left > VoiceRunner::kLarge) {
      group.places = VoiceRunner::kHuge;
      group.kernel = t.runner.huge;
    } else if (t.runner.large.run != nullptr && left > VoiceRunner::kSmall) {
      group.places = VoiceRunner::kLarge;
      group.kernel = t.runner.large;
    }
    group.size = std::min(left, group.places);
    // Missing places repeat the first voice; they are not live, so nothing of them is kept.
    for (int v = 0; v < group.places; ++v) {
      group.voice[v] = active[first + (v < group.size ? v : 0)];
      group.live[v] = v < group.size;
    }
    RenderGroup(t, group, block);
    first += group.size;
  }
  ShareFrame(t, block, block.frames - 1);
}

// The signal that reaches the delays and the output DC blocker, whose states would keep a NaN or
// an infinity forever: NaN becomes 0 and anything beyond +-kSignalLimit (some 80 dB over full
// scale, reachable only with absurd patch values) is held there. Costs two compares per sample.
constexpr float kSignalLimit = 10000.0f;
QSingle ContainSignal(QSingle x) {
  const QSingle limit = QSingle::splat(kSignalLimit);
  x = select(x == x, x, QSingle::zero());
  return clamp(x, -limit, limit);
}

// The voice sums of the block through the decimator, the delays and the output DC blocker.
void WriteOutput(RenderTarget& t, const FrameBlock& block, float* left, float* right) {
  XSynthWork& sw = t.sw;
  XPatch& p = t.patch;
  for (int frame = 0; frame < block.frames; ++frame) {
    p.Output = block.sum[frame];
    if (CountdownDue(p.FXControlCounter, p.FXControlRate)) p.FX1Calculate(p.FX1Ptr);
    float l = p.Output.lane(0);
    float r = p.Output.lane(1);
    if (p.Oversample != 0) DownsamplerProcess(t.downsampler, p.Output.lane(0), p.Output.lane(1), p.Output.lane(2), p.Output.lane(3), l, r);

    QSingle x = ContainSignal(QSingle::of(l, r, l, r) * sw.S0_5);
    x = ContainSignal(p.FX1Process(p.FX1Ptr, x));
    const QSingle y = x - p.DCBlocker;
    p.DCBlocker = p.DCBlocker + y * p._DCFilter;
    const QSingle& denormal = block.denormal[frame];
    left[frame] = y.lane(0) + y.lane(2) + denormal.lane(0);
    right[frame] = y.lane(1) + y.lane(3) + denormal.lane(1);
  }
}

}  // namespace

float TempoFromBpm(double bpm) {
  // Bars of four beats per second in one beat per minute: the single nearest 1/240.
  constexpr float kBarsPerSecondPerBpm = 0.0041666669f;  // bits 0x3B888889
  float tempo = static_cast<float>(bpm);
  // NaN from a host also ends at the lower bound.
  tempo = std::isnan(tempo) ? 1.0f : std::max(tempo, 1.0f);
  return tempo * kBarsPerSecondPerBpm;
}

void RenderFrames(RenderTarget& t, float tempo, float* left, float* right, int32_t frames) {
  t.sw.Tempo = QSingle::splat(tempo);
  FrameBlock block;
  for (int32_t first = 0; first < frames; first += kBlockFrames) {
    block.frames = std::min<int32_t>(kBlockFrames, frames - first);
    PrepareBlock(t, block);
    RenderVoices(t, block);
    WriteOutput(t, block, left + first, right + first);
  }
}

}  // namespace brelix
