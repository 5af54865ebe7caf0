// Modulation sources and destinations: the index encodings that the editor lists and patch files
// store, the routing tables built from the voice record's layout, and their resolution into byte
// offsets from the engine memory base.
//
// A source or destination is reached at run time through a 32-bit byte offset from the engine
// memory base (the XSynthWork block). Offset 0 reads the constant 0.0 (S0), so anything that
// resolves to "nothing" reads zero.
#pragma once

#include <cstdint>

#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"

namespace brelix {

// ---- source indices ----------------------------------------------------------------------------
//   0            "None"                          the constant 0.0
//   1..4         "LFO1".."LFO4"                  LfoValue lanes 1..4
//   5..8         "Env1".."Env4 [AmpEG]"          EnvValue
//   9..12        "LFO1*MW".."LFO4*MW"            LfoModwheel
//   13..16       "LFO1*Pressure"..               LfoPressure
//   17..20       "Env1*MW"..                     EnvModwheel
//   21..24       "Env1*Pressure"..               EnvPressure
//   25, 26, 27   KeyFollow, KeyTrack, PitchFollow
//   28           "_Reserved"                     the constant 0.0
//   29, 30       Velocity, ReleaseVel (Relocity)
//   31..46       "ModMatrix1".."ModMatrix16"     ModValue of patch-matrix slot 1..16
//   47, 65535    "Constant"                      1.0 (S1)
//   -1..-128     controllers 0..127              ControlValue[0..127] of the patch
//   -129         "PitchBend"                     ControlValue[128]
//   -130         "Aftertouch/Pressure"           ControlValue[129]
// Anything else (48..65534, above 65535, below -130) reads the constant 0.0.
constexpr int32_t kModSourceNone = 0;
constexpr int32_t kModSourceEnv4 = 8;           // the default amplitude source
constexpr int32_t kModSourceModMatrix1 = 31;    // source 30 + n reads patch-matrix slot n
constexpr int32_t kModSourceConstantOld = 47;   // older files; read as kModSourceConstant
constexpr int32_t kModSourceConstant = 65535;
constexpr int32_t kModSourceLowest = -kControlSlots;  // -130, "Aftertouch/Pressure"
constexpr int kModSourceTableSize = 48;               // indices 0..47

// ---- destination indices -----------------------------------------------------------------------
//   0            "None"            Void
//   1..4         Osc1..4Pitch      AuxOscPitchMod       41..44  LFO1..4Rate       LfoRateMod
//   5..8         Osc1..4Level      AuxOscLevelMod       45..48  Env1..4Rate       EnvRateMod
//   9..12        Osc1..4Mix12/34   AuxOscMixMod         49..52  Osc1..4PW         AuxOscPWMod
//   13..16       Filter1..4Cutoff  FilterCutoffMod      53..56  Osc1..4Sync       AuxOscSyncMod
//   17..20       Filter1..4Reso    FilterResoMod        57..60  Osc1..4Morph      AuxOscMorphMod
//   21..24       Filter1..4Gain    FilterGainMod        61..64  Osc1..4SawShape   AuxOscSawShapeMod
//   25..28       Filter1..4Qomp.   FilterQompensateMod  65..68  Osc1..4SawSigma1  AuxOscSawSigma1Mod
//   29..32       Filter1..4Level   FilterLevelMod       69..72  Osc1..4SawSigma2  AuxOscSawSigma2Mod
//   33..36       Filter1..4Pan     FilterPanMod         73      "Pitch"           PitchMod
//   37..40       Noise1..4Mix      NoiseMixMod          74      "Volume"          VolumeMod
//   75..78       SampleOsc1..4Level SampleOscLevelMod   79, 65535 "Void"          Void
// Any index outside 1..78 designates Void.
constexpr int32_t kModDestNone = 0;
constexpr int32_t kModDestVoidOld = 79;  // older files; read as kModDestVoid
constexpr int32_t kModDestVoid = 65535;
constexpr int kModDestTableSize = 80;    // indices 0..79

// Per source index 0..47: the byte position of the source inside a voice work record, 0 for
// "None" and "_Reserved"; entry 47 holds the absolute offset of the constant 1.0 instead.
extern uint32_t ModSourceTable[kModSourceTableSize];
// Per destination index 0..79: the byte position of the destination inside a voice work record
// (0 for "None"; entry 79 is Void).
extern uint32_t ModDestTable[kModDestTableSize];

// Builds both tables from the layout of XPatchWork. The contents are the same for every instance,
// so they are built once per process; later calls return at once.
void ModTablesInit();

// Byte offset from the engine memory base of the single that source index `s` reads for voice `w`
// of patch `p` (ModSourceValue in synth_work.h reads it). Never addresses outside the voice record,
// the constant block or the patch's controller values.
uint32_t ResolveModSource(const XPatch& p, const XPatchWork& w, int32_t s);

// Byte offset from the engine memory base of the single that destination index `d` adds to in
// voice `w`; always inside `w` (its Void for "None", "Void" and every unknown index).
uint32_t ResolveModDest(const XPatch& p, const XPatchWork& w, int32_t d);

}  // namespace brelix
