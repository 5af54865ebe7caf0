// XPatchWork: the work record of one voice (sixteen per instance, in the engine memory). It
// carries all per-voice state of the sound engine; lane n belongs to module n.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/patch.h"
#include "engine/qvector.h"

namespace brelix {

struct alignas(16) XPatchWork {
  QSingle Notes;  // the note number as a single, all lanes
  // ---- oscillators
  QWord AuxOscDeltaPhase;
  QWord AuxOscPhase;
  QWord AuxOscDeltaSync;
  QWord AuxOscSyncPhase;
  QSingle AuxOscFrequency;
  QSingle AuxOscPitch;
  QSingle AuxOscPitchMod;
  QSingle AuxOscRatio;
  QSingle AuxOscValue;
  QSingle AuxOscLevelMod;
  QSingle AuxOscMixMod;
  QSingle AuxOscMorphMod;
  QSingle AuxOscPWMod;
  QSingle AuxOscSyncMod;
  QSingle AuxOscSaw;
  QSingle AuxOscSawShapeMod;
  QSingle AuxOscSawSigma1Mod;
  QSingle AuxOscSawSigma2Mod;
  QSingle AuxOscSawz1;
  QSingle AuxOscPulsez1;
  QSingle AuxOscDCAdjust;
  QSingle AuxOscDCBlocker;
  QSingle AuxOscNorm;
  QSingle AuxOscScaling;
  // ---- sample oscillators
  QDouble SampleOscDeltaPhase;
  QDouble SampleOscPhase;
  QSingle SampleOscLevelMod;
  QSingle SampleOscValue;
  QSingle ButterBuffer1[4];
  QSingle ButterBuffer2[4];
  QSingle ButterBuffer3[4];
  QSingle ButterBuffer4[4];
  // ---- noise and filters
  QSingle NoiseMixMod;
  QSingle Polef0;  // the stage coefficient g of the control tick; each sample derives the rest
  QSingle FilterBuf1;
  QSingle FilterBuf2;
  QSingle FilterBuf3;
  QSingle FilterBuf4;
  QSingle FilterQompensator;
  QSingle FilterRatio;
  QSingle FilterCutoffMod;
  QSingle FilterVelocityMod;
  QSingle FilterResoMod;
  QSingle FilterGainMod;
  QSingle FilterQompensateMod;
  QSingle FilterLevelMod;
  QSingle FilterPanMod;
  // ---- LFOs
  QSingle LfoDeltaPhase;
  QSingle LfoPhase;
  QSingle LfoRateMod;
  QSingle LfoFader;
  QSingle LfoFadeInc;
  QSingle LfoFilter;
  QSingle LfoSeed;
  QSingle LfoValue;
  QSingle LfoModwheel;
  QSingle LfoPressure;
  // ---- envelopes
  QSingle EnvRate;
  QSingle EnvDeltaPhase;
  QSingle EnvPhase;
  QSingle EnvRateMod;
  QSingle EnvGain;
  QSingle EnvOffset;
  QSingle EnvValue;
  QSingle EnvModwheel;
  QSingle EnvPressure;
  QInteger EnvStage;  // stage times 16; lane 4 at 80 or more marks the voice idle
  QOffset EnvTable;
  // ---- modulation matrices (byte offsets from the engine memory base)
  QOffset ModSourcePtr[kMatrixRows];
  QOffset ModDestPtr[kMatrixRows];
  QSingle ModValue[kMatrixRows];
  QOffset MidiModSourcePtr[kMatrixRows];
  QOffset MidiModDestPtr[kMatrixRows];
  QSingle MidiModValue[kMatrixRows];
  // ---- voice scalars
  uint32_t VolumeModSourcePtr;
  uint32_t ControlCounter;
  uint32_t Note;
  uint32_t Retrigger;
  float KeyFollow;
  float KeyTrack;
  float PitchFollow;
  float Velocity;
  float Relocity;
  float PitchMod;
  float VolumeMod;
  float VolumeVelocityMod;
  float Void;
  XPatch* Patch;
};

// Stage values of the amplitude envelope (lane 4 of EnvStage) that tell a voice's state.
constexpr int32_t kStageRelease = 64;  // stage 4: releasing
constexpr int32_t kStageEnd = 80;      // stage 5, "Stop/End": idle

inline int32_t AmpStage(const XPatchWork& w) { return w.EnvStage.lanes()[3]; }
inline bool VoiceIsIdle(const XPatchWork& w) { return AmpStage(w) >= kStageEnd; }

static_assert(offsetof(XPatchWork, Notes) == 0);
static_assert(offsetof(XPatchWork, SampleOscDeltaPhase) % 16 == 0);
static_assert(offsetof(XPatchWork, EnvStage) % 16 == 0 && offsetof(XPatchWork, ModSourcePtr) % 16 == 0);

}  // namespace brelix
