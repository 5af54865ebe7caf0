// XPatch: the engine-ready patch. One per instance (the voice manager's edit buffer), taken from
// the engine memory so every field is reachable by an offset from the engine memory base. Lane n
// of a vector field belongs to module n (oscillator, filter, LFO, envelope n).
//
// Field kinds: stored (patch file and editor), derived (recomputed from the stored ones by the
// patch operations; names with a leading underscore are twins of the field without it) and
// run-time state written by the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/qvector.h"
#include "engine/routines.h"

namespace brelix {

class XGlobalMemory;
struct XSynthWork;
class XDelay;

constexpr int kEnvStages = 6;
constexpr int kMatrixRows = 4;      // 4 rows x 4 lanes = 16 matrix slots
constexpr int kControlSlots = 130;  // controllers 0..127, pitch bend, channel pressure
constexpr int kControlModWheel = 1;
constexpr int kControlVolume = 7;
constexpr int kControlPan = 10;
constexpr int kControlSustainPedal = 64;
constexpr int kControlPitchBend = 128;
constexpr int kControlPressure = 129;
constexpr size_t kSampleFileNameSize = 4096;  // one lane's sample file name, with its zero

using TStringList = std::vector<std::string>;

struct alignas(16) XPatch {
  // ---- oscillators
  QWord AuxOscFixedOsc;    // derived mask: all ones when AuxOscFixedFreq is 0
  QWord AuxOscFixedRange;  // derived mask: all ones when AuxOscRange is 0
  QWord AuxOscStartPhase;  // all ones keeps the running phase at note-on, 0 restarts
  QSingle AuxOscSemitone;
  QSingle AuxOscDetune;
  QSingle AuxOscFixedFreq;
  QSingle AuxOscRange;
  QSingle AuxOscBasePitch;  // derived: frequency of note trunc(AuxOscCenter)
  QSingle AuxOscCenter;
  QSingle AuxOscTracking;
  QSingle AuxOscLevel;
  QSingle AuxOscMix;
  QSingle AuxOscDCFilter;
  QSingle _AuxOscDCFilter;
  QSingle AuxOscMorph;
  QSingle AuxOscPW;
  QSingle AuxOscSync;
  QSingle AuxOscSawShape;
  QSingle AuxOscSawSigma1;
  QSingle AuxOscSawSigma2;
  // ---- sample oscillators
  QSingle ButterCoef0;
  QSingle ButterCoef1;
  QSingle ButterCoef2;
  QSingle ButterCoef3;
  QSingle ButterGain;
  QSingle SampleOscLevel;
  QSingle SampleOscRate;
  QWord SampleOscLoop;
  QDouble SampleOscSize;
  QDouble _SampleOscLoop;
  QDouble SampleDelta1;
  QPointerOf<const float> SampleOscPtr;  // first frame of each lane's data, or the silent pair
  QPointerOf<float> SampleOscMemory;     // each lane's own sample memory, nil when none
  // ---- noise and filters
  QSingle NoiseMix;
  QSingle FilterCutoff;
  QSingle FilterVelocity;
  QSingle FilterRange;
  QSingle FilterCenter;
  QSingle FilterTracking;
  QSingle FilterReso;
  QSingle FilterGain;
  QSingle FilterQompensate;
  QSingle FilterFeedback;
  QSingle FilterPole0;
  QSingle FilterPole1;
  QSingle FilterPole2;
  QSingle FilterPole3;
  QSingle FilterPole4;
  QSingle FilterLevel;
  QSingle FilterPan;
  QWord FilterType;
  QWord FilterFixedRange;
  QWord FilterPostFeed;
  QWord FilterDeclick;
  QOffset FilterFeedbackTable;
  QSingle FilterFeedbackSize;
  QSingle FilterFeedbackGain;
  // ---- LFOs
  QSingle LfoRate;
  QSingle LfoTime;
  QSingle LfoLevel;
  QSingle LfoRandom;
  QSingle LfoMin;
  QSingle LfoMax;
  QSingle LfoOffset;
  QSingle LfoSmooth;
  QSingle LfoFadeIn;
  QSingle LfoTableSize;
  QSingle PatchLfoDeltaPhase;
  QSingle PatchLfoPhase;
  QWord LfoShape;
  QWord LfoClocked;
  QWord LfoQuantize;
  QWord LfoStartPhase;
  QWord VoiceLfo;
  QOffset LfoTable;
  // ---- envelopes, per stage 0..5
  QSingle EnvTime[kEnvStages];
  QSingle EnvRate[kEnvStages];
  QSingle EnvLevel[kEnvStages];
  QWord EnvCurve[kEnvStages];
  QOffset EnvCurves[kEnvStages];
  QInteger EnvStep[kEnvStages];  // stage jump, times 16 once prepared
  QWord EnvRetrigger;
  QWord EnvDeclick;
  // ---- modulation matrices
  QWord ModSource[kMatrixRows];
  QWord ModDest[kMatrixRows];
  QSingle ModAmount[kMatrixRows];
  QWord MidiModSource[kMatrixRows];
  QWord MidiModDest[kMatrixRows];
  QSingle MidiModAmount[kMatrixRows];
  // ---- rates
  QSingle AudioDelta1;
  QSingle AudioPhaseDelta1;
  QSingle ControlDelta1;
  QSingle ControlDeltaMod;
  QSingle FilterDelta4;
  QSingle AudioSampleRate;
  QSingle AudioSampleScale;
  // ---- output
  QSingle Output;
  QSingle DCBlocker;
  QSingle _DCFilter;
  QSingle DelayValue;
  QSingle _FXDCFilter;
  QWord DelayClocked;
  SampleProcessRoutine SampleProcess;
  SampleCalculateRoutine SampleCalculate;
  uint32_t ControlRate;
  uint32_t FXControlRate;
  uint32_t FXControlCounter;
  uint32_t PatchControlCounter;
  uint32_t Declicker;
  uint32_t Oversample;
  uint32_t Upsample;
  uint32_t SampleFilter;
  int32_t ModMatrixCount;
  int32_t MidiModMatrixCount;
  int32_t VolumeModSource;
  int32_t PlayNote;
  float Volume;
  float VolumeVelocity;
  float VolumeModAmount;
  float DCFilter;
  float FXDCFilter;
  uint32_t ModSlotOn[kMatrixRows];
  uint32_t MidiModSlotOn[kMatrixRows];
  // Not 0: note-offs wait while the sustain pedal is down (the voice manager holds them). It
  // fills the padding before FX1Ptr, so no field after it has moved.
  uint32_t SustainPedal;
  XDelay* FX1Ptr;
  FXCalculateRoutine FX1Calculate;
  FXProcessRoutine FX1Process;
  // ---- the two stereo delays
  float DelayWet;
  float AuxDelayWet;
  float DelayDry;
  float AuxDelayDry;
  float DelayTimeL;
  float DelayTimeR;
  float AuxDelayTimeL;
  float AuxDelayTimeR;
  float DelayFeedbackL;
  float DelayFeedbackR;
  float AuxDelayFeedbackL;
  float AuxDelayFeedbackR;
  float DelayDamp;
  float AuxDelayDamp;
  float DelayStereoWidth;
  float AuxDelayStereoWidth;
  float DelayInput;
  float AuxDelayInput;
  float DelayMix;
  float AuxDelayMix;
  float DelayRouting;
  // ---- MIDI controller table
  float ControlValue[kControlSlots];
  float ControlScale[kControlSlots];
  float ControlOffset[kControlSlots];
  float ControlMin[kControlSlots];
  float ControlMax[kControlSlots];
  // ---- names and editor lists
  char SampleOscFile[4][kSampleFileNameSize];  // each lane's sample file name, "" when none
  TStringList* Randomizer;  // the editor's lists; the patch defaults clear the references
  TStringList* Sections;
  // ---- engine-owned tail: never touched by the patch defaults
  XGlobalMemory* GlobalMemory;
  XSynthWork* SynthWork;
  XDelay* Delay;
  QPointerOf<float> DelayBuffer;
};

using PXPatch = XPatch*;

// Everything before this offset is cleared by the patch defaults.
constexpr size_t kPatchEngineTail = offsetof(XPatch, GlobalMemory);

static_assert(offsetof(XPatch, AuxOscFixedOsc) == 0);
static_assert(offsetof(XPatch, SampleOscSize) % 16 == 0 && offsetof(XPatch, EnvTime) % 16 == 0);
static_assert(offsetof(XPatch, Output) % 16 == 0 && offsetof(XPatch, DelayBuffer) % 16 == 0);
static_assert(offsetof(XPatch, SustainPedal) + sizeof(uint32_t) == offsetof(XPatch, FX1Ptr));

}  // namespace brelix
