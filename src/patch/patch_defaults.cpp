#include "patch/patch_defaults.h"

#include <cstring>

#include "engine/routines.h"
#include "engine/sample_osc.h"
#include "engine/sample_memory.h"

namespace brelix {

namespace {

constexpr float kNote127Frequency = 12543.853515625f;

void ControlTableDefaults(XPatch& p) {
  for (int slot = 0; slot < kControlSlots; ++slot) {
    p.ControlScale[slot] = 0.007874016f;  // 1/127
    p.ControlOffset[slot] = 0.0f;
    p.ControlMin[slot] = 0.0f;
    p.ControlMax[slot] = 1.0f;
  }
  // Pan and pitch bend are bipolar.
  p.ControlScale[kControlPan] = 0.015625f;           // 1/64
  p.ControlScale[kControlPitchBend] = 0.0001220703125f;  // 1/8192
  for (int slot : {kControlPan, kControlPitchBend}) {
    p.ControlOffset[slot] = -1.0f;
    p.ControlMin[slot] = -1.0f;
  }
  ResetControllers(p);
}

}  // namespace

void ResetControllers(XPatch& p) {
  for (float& value : p.ControlValue) value = 0.0f;
  p.ControlValue[kControlVolume] = 1.0f;
}

void PatchDefaults(XPatch& p) {
  for (int lane = 0; lane < 4; ++lane) SampleMemoryRelease(p.SampleOscMemory.p[lane]);
  std::memset(static_cast<void*>(&p), 0, kPatchEngineTail);
  for (int lane = 0; lane < 4; ++lane) p.SampleOscPtr.p[lane] = SilentSample();

  p.ControlRate = 7;
  p.FXControlRate = 255;

  p.AuxOscCenter = QSingle::splat(60.0f);
  p.AuxOscTracking = QSingle::splat(1.0f);
  p.AuxOscPW = QSingle::splat(1.0f);
  p.AuxOscMorph = QSingle::splat(0.8f);
  p.AuxOscLevel = QSingle::splat(0.25f);
  p.AuxOscSawSigma1 = QSingle::splat(1.0f);
  p.AuxOscDCFilter = QSingle::splat(0.0001f);
  p.AuxOscMix = QSingle::of(-1.0f, 1.0f, -1.0f, 1.0f);

  p.FilterCutoff = QSingle::splat(kNote127Frequency);
  p.FilterRange = QSingle::splat(kNote127Frequency);
  p.FilterCenter = QSingle::splat(60.0f);
  p.FilterGain = QSingle::splat(1.0f);
  p.FilterFeedback = QSingle::splat(1.2f);
  p.FilterPole4 = QSingle::splat(1.0f);
  p.FilterLevel = QSingle::of(1.0f, 0.0f, 0.0f, 0.0f);

  p.LfoRate = QSingle::splat(0.1f);
  p.LfoLevel = QSingle::splat(1.0f);
  p.LfoMin = QSingle::splat(-8.0f);
  p.LfoMax = QSingle::splat(8.0f);
  p.LfoQuantize = QWord::splat(8191);
  p.VoiceLfo = QWord::ones();

  for (int stage = 0; stage < kEnvStages; ++stage) {
    p.EnvLevel[stage] = QSingle::splat(stage <= 2 ? 1.0f : 0.0f);
    p.EnvCurve[stage] = QWord::splat(5);
    p.EnvStep[stage] = QInteger::splat(stage == 2 || stage == 5 ? 0 : 1);
  }

  p.Oversample = 1;
  p.Upsample = 8;
  p.Volume = 1.0f;
  p.VolumeModSource = 8;  // "Env4 [AmpEG]"
  p.VolumeModAmount = 1.0f;
  p.DCFilter = 0.0001f;
  p.PlayNote = -1;
  p.SustainPedal = kSustainPedalOn;  // a new sound answers the pedal
  p.SampleCalculate = NoOperation;
  p.SampleProcess = NoOperation;

  p.DelayInput = p.AuxDelayInput = 1.0f;
  p.DelayDry = 1.0f;
  p.DelayTimeL = p.DelayTimeR = p.AuxDelayTimeL = p.AuxDelayTimeR = 0.25f;
  p.DelayStereoWidth = p.AuxDelayStereoWidth = 1.0f;
  p.DelayMix = p.AuxDelayMix = 1.0f;
  p.FX1Calculate = NoOperation;
  p.FX1Process = NoOperation;
  p.FXDCFilter = 0.0001f;

  ControlTableDefaults(p);
}

void PatchFileDefaults(XPatch& p) {
  PatchDefaults(p);
  p.SustainPedal = kSustainPedalOff;
}

}  // namespace brelix
