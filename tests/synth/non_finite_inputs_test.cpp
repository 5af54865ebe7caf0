// Every module routine of a voice and of the output, fed NaN, infinities or 1e30 through the
// inputs that other routines hand it (modulation, pitch, audio), keeps its output finite: one
// routine's overflow must not silence the whole instance for good. And a state that took a NaN
// anyway is left behind.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "engine/downsampler.h"
#include "engine/filter.h"
#include "engine/oscillator.h"
#include "engine/routines.h"
#include "engine/sample_osc.h"
#include "engine/voice_group.h"
#include "modulation/delay.h"
#include "modulation/envelope.h"
#include "modulation/lfo.h"
#include "modulation/mod_matrix.h"
#include "render/voice_render.h"
#include "support/audio_measures.h"
#include "synth/synth_fixture.h"

namespace brelix {
namespace {

using testing::Peak;
using testing::SynthFixture;

constexpr int kTicks = 16;           // control ticks per run
constexpr int kSamplesPerTick = 16;  // audio samples between two ticks, oversampled

// A voice of the default patch holding a note, with the engine's parts at hand.
struct PlayingVoice : SynthFixture {
  PlayingVoice() {
    NoteOn(60);
    Render(64);
  }
  const XSynthWork& sw() const { return *synth->SynthWork; }
  XPatchWork& w() { return work(0); }

  // Appends the four lanes of v to the run's outputs.
  void Keep(QSingle v) {
    for (int lane = 0; lane < 4; ++lane) outputs.push_back(v.lane(lane));
  }

  std::vector<float> outputs;
  float audio_input = 0.0f;  // what the output stages are fed
};

// One frame of the voice through the audio kernel (oscillators, filters, level, pan and voice
// gain), as the render loop runs it: a group whose other places repeat the voice without being
// live. Returns the frame's voice sum.
QSingle OneKernelFrame(PlayingVoice& v) {
  static FrameBlock block;  // large: kept off the stack
  block = FrameBlock{};
  block.frames = 1;
  block.sample_oscillators = v.patch().SampleProcess != static_cast<SampleProcessRoutine>(NoOperation);
  block.noise[0] = v.sw().NoiseGenerator;
  block.denormal[0] = v.sw().Denormal;
  block.patch_lfo_phase[0] = v.patch().PatchLfoPhase;
  block.next_midi_pass[0] = 1;
  static VoiceGroup group;  // large: kept off the stack
  group = VoiceGroup{};
  group.kernel = ChooseVoiceRunner().small;
  group.size = 1;
  group.places = VoiceRunner::kSmall;
  for (int place = 0; place < VoiceRunner::kSmall; ++place) {
    group.voice[place] = &v.w();
    group.live[place] = place == 0;
  }
  const VoiceKernel& kernel = group.kernel;
  if (kernel.load != nullptr) kernel.load(v.sw(), v.patch(), group);
  kernel.run(v.sw(), v.patch(), group, block, 0, 1);
  if (kernel.store != nullptr) kernel.store(group);
  return block.sum[0];
}

// A value handed to a routine: where it is written before every control tick or sample.
struct Input {
  const char* name;
  std::function<void(PlayingVoice&, float x)> set;
};

// Sets one single of the voice's work record, all four lanes.
Input WorkField(const char* name, QSingle XPatchWork::*field) {
  return {name, [field](PlayingVoice& v, float x) { v.w().*field = QSingle::splat(x); }};
}

// One routine under test, run for kTicks control ticks: `tick` is its control step (a control
// routine keeps its outputs there), `sample` its audio step, kSamplesPerTick times per tick and
// empty for a control routine. `prepare` sets up what the routine needs first, if anything.
struct Routine {
  const char* name;
  std::vector<Input> inputs;
  std::function<void(PlayingVoice&)> tick;
  std::function<QSingle(PlayingVoice&)> sample = {};
  std::function<void(PlayingVoice&)> prepare = {};
};

// Runs `routine`, feeding its inputs before every control and audio step.
void RunRoutine(const Routine& routine, PlayingVoice& v, const std::function<void()>& feed) {
  if (routine.prepare) routine.prepare(v);
  for (int tick = 0; tick < kTicks; ++tick) {
    feed();
    if (routine.tick) routine.tick(v);
    if (!routine.sample) continue;
    for (int n = 0; n < kSamplesPerTick; ++n) {
      feed();
      v.Keep(routine.sample(v));
    }
  }
}

// The patch matrix with LFO n aimed at the cutoff of filter n, the MIDI matrix with the mod
// wheel aimed at the level of oscillator n.
void RouteMatrices(PlayingVoice& v) {
  XPatch& p = v.patch();
  p.ModSource[0] = QWord::of(1, 2, 3, 4);
  p.ModDest[0] = QWord::of(13, 14, 15, 16);
  p.ModAmount[0] = QSingle::splat(1.0f);
  p.MidiModSource[0] = QWord::splat(static_cast<uint32_t>(-2));
  p.MidiModDest[0] = QWord::of(5, 6, 7, 8);
  p.MidiModAmount[0] = QSingle::splat(1.0f);
  ModMatrixPatchRecalculate(p);
  VoiceModPointers(p, v.w());
}

const Input kVoicePitch = {"VoicePitch", [](PlayingVoice& v, float x) { v.w().PitchMod = x; }};
const Input kAudio = {"Audio", [](PlayingVoice& v, float x) { v.audio_input = x; }};

// Per routine, the inputs that other routines (or the voices, for the output stages) write.
const Routine kRoutines[] = {
    {"Oscillators",
     {WorkField("PitchMod", &XPatchWork::AuxOscPitchMod), WorkField("LevelMod", &XPatchWork::AuxOscLevelMod),
      WorkField("MorphMod", &XPatchWork::AuxOscMorphMod), WorkField("PWMod", &XPatchWork::AuxOscPWMod),
      WorkField("SyncMod", &XPatchWork::AuxOscSyncMod), WorkField("SawShapeMod", &XPatchWork::AuxOscSawShapeMod),
      WorkField("SawSigma1Mod", &XPatchWork::AuxOscSawSigma1Mod),
      WorkField("SawSigma2Mod", &XPatchWork::AuxOscSawSigma2Mod), kVoicePitch},
     [](PlayingVoice& v) { OscCalculate(v.sw(), v.patch(), v.w(), QSingle::splat(v.w().PitchMod)); },
     [](PlayingVoice& v) {
       OscProcess(v.sw(), v.patch(), v.w());
       return v.w().AuxOscValue;
     }},
    {"SampleOscillator",
     {WorkField("PitchMod", &XPatchWork::AuxOscPitchMod), WorkField("LevelMod", &XPatchWork::SampleOscLevelMod),
      kVoicePitch},
     [](PlayingVoice& v) { SampleOscCalculate(v.sw(), v.patch(), v.w(), QSingle::splat(v.w().PitchMod)); },
     [](PlayingVoice& v) {
       SampleOscProcess(v.sw(), v.patch(), v.w());
       return v.w().SampleOscValue;
     }},
    {"Filters",
     {WorkField("CutoffMod", &XPatchWork::FilterCutoffMod), WorkField("VelocityMod", &XPatchWork::FilterVelocityMod),
      WorkField("ResoMod", &XPatchWork::FilterResoMod), WorkField("GainMod", &XPatchWork::FilterGainMod),
      WorkField("QompensateMod", &XPatchWork::FilterQompensateMod),
      WorkField("LevelMod", &XPatchWork::FilterLevelMod), WorkField("PanMod", &XPatchWork::FilterPanMod),
      WorkField("NoiseMixMod", &XPatchWork::NoiseMixMod), WorkField("OscMixMod", &XPatchWork::AuxOscMixMod),
      WorkField("OscAudio", &XPatchWork::AuxOscValue), WorkField("SampleAudio", &XPatchWork::SampleOscValue)},
     [](PlayingVoice& v) { FilterCalculate(v.sw(), v.patch(), v.w()); },
     [](PlayingVoice& v) { return FilterProcess(v.sw(), v.patch(), v.w()); }},
    {"Envelopes",
     {WorkField("RateMod", &XPatchWork::EnvRateMod)},
     [](PlayingVoice& v) {
       EnvRateCalculate(v.sw(), v.patch(), v.w());
       EnvCalculate(v.sw(), v.patch(), v.w());
       for (QSingle out : {v.w().EnvValue, v.w().EnvModwheel, v.w().EnvPressure}) v.Keep(out);
     }},
    {"Lfos",
     {WorkField("RateMod", &XPatchWork::LfoRateMod)},
     [](PlayingVoice& v) {
       LfoRateCalculate(v.sw(), v.patch(), v.w());
       LfoCalculate(v.sw(), v.patch(), v.w());
       for (QSingle out : {v.w().LfoValue, v.w().LfoModwheel, v.w().LfoPressure}) v.Keep(out);
     }},
    {"PatchMatrix",
     {WorkField("LfoSource", &XPatchWork::LfoValue)},
     [](PlayingVoice& v) {
       ModMatrixCalculate(v.sw(), v.patch(), v.w());
       v.Keep(v.w().FilterCutoffMod);
     },
     {},
     RouteMatrices},
    {"MidiMatrix",
     {{"ModWheelSource", [](PlayingVoice& v, float x) { v.patch().ControlValue[1] = x; }}},
     [](PlayingVoice& v) {
       MidiModMatrixCalculate(v.sw(), v.patch(), v.w());
       v.Keep(v.w().AuxOscLevelMod);
     },
     {},
     RouteMatrices},
    {"VoiceGain",
     {{"VolumeMod", [](PlayingVoice& v, float x) { v.w().VolumeMod = x; }},
      {"VolumeVelocityMod", [](PlayingVoice& v, float x) { v.w().VolumeVelocityMod = x; }}},
     [](PlayingVoice& v) { VoiceControlTick(v.sw(), v.patch(), v.w()); },
     [](PlayingVoice& v) { return OneKernelFrame(v); }},
    {"Delays",
     {kAudio},
     [](PlayingVoice& v) { v.patch().Delay->Calculate(); },
     [](PlayingVoice& v) { return v.patch().Delay->Process(QSingle::splat(v.audio_input)); },
     [](PlayingVoice& v) {
       v.patch().DelayWet = v.patch().AuxDelayWet = 0.5f;
       DelayRebuild(v.patch(), true);
     }},
    {"Decimator",
     {kAudio},
     {},
     [](PlayingVoice& v) {
       const float x = v.audio_input;
       float left = 0.0f, right = 0.0f;
       DownsamplerProcess(*v.synth->Downsampler2, x, x, x, x, left, right);
       return QSingle::of(left, right, 0.0f, 0.0f);
     }},
};

const float kValues[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), 1e30f, -1e30f};

// One case: a routine, one of its inputs (or all of them at once, where a sum or product of two
// huge but finite values could overflow), one value.
struct Case {
  const Routine* routine;
  const Input* input;  // nullptr: every input of the routine
  float value;

  std::string InputName() const { return input != nullptr ? input->name : "EveryInput"; }
  void Feed(PlayingVoice& v) const {
    if (input != nullptr) {
      input->set(v, value);
    } else {
      for (const Input& each : routine->inputs) each.set(v, value);
    }
  }
};

std::vector<Case> EveryCase() {
  std::vector<Case> cases;
  for (const Routine& routine : kRoutines) {
    for (float value : kValues) {
      for (const Input& input : routine.inputs) cases.push_back({&routine, &input, value});
      if (routine.inputs.size() > 1) cases.push_back({&routine, nullptr, value});
    }
  }
  return cases;
}

std::string ValueName(float x) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "Infinity" : "MinusInfinity";
  return x > 0 ? "1e30" : "Minus1e30";
}

std::string CaseName(const Case& c) {
  return std::string(c.routine->name) + "_" + c.InputName() + "_" + ValueName(c.value);
}

// How a failure and the test list show a case.
void PrintTo(const Case& c, std::ostream* out) { *out << CaseName(c); }

class NonFiniteInputs : public ::testing::TestWithParam<Case> {};

TEST_P(NonFiniteInputs, TheRoutinesOutputStaysFinite) {
  const Case& c = GetParam();
  PlayingVoice voice;
  RunRoutine(*c.routine, voice, [&] { c.Feed(voice); });
  ASSERT_FALSE(voice.outputs.empty());
  EXPECT_TRUE(std::isfinite(Peak(voice.outputs)));
}

INSTANTIATE_TEST_SUITE_P(EveryRoutine, NonFiniteInputs, ::testing::ValuesIn(EveryCase()),
                         [](const ::testing::TestParamInfo<Case>& info) { return CaseName(info.param); });

// A state that once took a NaN (the way an overflow leaves one) is left behind: the instance
// sounds again instead of staying silent for good. Each state is caught while a note sounds
// through both delays; the level afterwards is compared with that of an instance left alone.
struct CaughtState {
  const char* name;
  std::function<void(SynthFixture&, float nan)> catch_nan;
};
const CaughtState kCaughtStates[] = {
    {"saw integrator", [](SynthFixture& f, float nan) { f.work(0).AuxOscSaw.set_lane(0, nan); }},
    {"oscillator DC blocker", [](SynthFixture& f, float nan) { f.work(0).AuxOscDCBlocker.set_lane(1, nan); }},
    {"filter stage", [](SynthFixture& f, float nan) { f.work(0).FilterBuf3.set_lane(2, nan); }},
    {"filter compensator", [](SynthFixture& f, float nan) { f.work(0).FilterQompensator.set_lane(0, nan); }},
    {"decimator history", [](SynthFixture& f, float nan) { f.synth->Downsampler2->y1[4].set_lane(1, nan); }},
    {"delay all-pass", [](SynthFixture& f, float nan) { f.patch().Delay->DelayWork->z1.set_lane(0, nan); }},
    {"delay damping", [](SynthFixture& f, float nan) { f.patch().Delay->DelayWork->Filter.set_lane(2, nan); }},
};

// The output peak of a held note from 1 to 1.5 seconds, with `catch_nan` run at 0.5 seconds.
float PeakAfter(const std::function<void(SynthFixture&, float)>& catch_nan) {
  SynthFixture f;
  f.patch().DelayWet = f.patch().AuxDelayWet = 0.5f;
  DelayRebuild(f.patch(), true);
  f.NoteOn(60);
  f.Render(22050);
  catch_nan(f, std::numeric_limits<float>::quiet_NaN());
  const std::vector<float> after = f.Render(44100);
  return Peak(after, 22050);
}

TEST(NonFiniteStates, AreLeftBehind) {
  const float undisturbed = PeakAfter([](SynthFixture&, float) {});
  ASSERT_GT(undisturbed, 0.01f);
  for (const CaughtState& state : kCaughtStates) {
    SCOPED_TRACE(state.name);
    const float peak = PeakAfter(state.catch_nan);
    EXPECT_TRUE(std::isfinite(peak));
    EXPECT_GT(peak, 0.5f * undisturbed);
  }
}

}  // namespace
}  // namespace brelix
